#include "jobrunner/section_walk.h"

#include <string_view>

#include "jobrunner/arg_file.h"
#include "jobrunner/line_executor.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/text_format.h"

uint32_t WalkCommandSection(JobRun& job) {
    const std::string_view text(job.view.data(), job.view.size());
    const CommandSection section = FindCommandSection(text, job.options.mode);
    switch (section.status) {
        case CommandSection::Status::kHeaderMissing:
            job.host.Log("ERROR : command section not found\n");
            return kResultRunFailed;
        case CommandSection::Status::kEndMissing:
            job.host.Log("ERROR : End of command section not found\n");
            return kResultRunFailed;
        case CommandSection::Status::kFound:
            break;
    }
    for (size_t cursor = section.cursor;;) {
        const PendingLine line = NextPendingLine(text, cursor, section.end);
        if (line.kind == PendingLine::Kind::kEnd) return 0;
        if (line.kind == PendingLine::Kind::kCorrupted) {
            job.host.Log("ERROR : corrupted arg file\n");
            return kResultRunFailed;
        }
        cursor = line.lf;
        if (line.length < kCommandColumn) {
            // No room for a code field: rewriting it would damage the next line.
            job.host.Log(Format("WARNING : command line <%s> too short, passed over\n",
                                std::string(text.substr(line.start, line.length)).c_str()));
            continue;
        }
        if (const uint32_t result = ExecuteLine(job, line.start, line.length)) return result;
    }
}
