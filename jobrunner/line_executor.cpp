#include "jobrunner/line_executor.h"

#include <new>
#include <optional>
#include <string_view>

#include "jobrunner/arg_file.h"
#include "jobrunner/command_text.h"
#include "jobrunner/do_it_again.h"
#include "jobrunner/evaluation.h"
#include "jobrunner/program_lookup.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/text_format.h"

namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

int32_t AgentCode(const JobRun& job, uint32_t result) {
    if (job.options.autonomic && result != 0) return kAutonomicStepFailed;
    return static_cast<int32_t>(result);
}

int32_t RunCommand(JobRun& job, const std::string& command) {
    const InterpreterRun run = job.host.RunInterpreter(command);
    if (!run.started) {
        job.host.Log(Format("... returned %d, errno %d\n", -1, static_cast<int>(run.error)));
        return -1;
    }
    int32_t code = run.code;
    if (MayBeMissingProgram(code) && LookUpCommand(command, job.host) == kCodeProgramMissing) {
        code = kCodeProgramMissing;
    }
    if (code == kCodeProgramMissing && IsQuillonCommand(command)) {
        for (const char* key : kQuillonKeys) {
            code = DoItAgain(key, kQuillonPathValue, command, job.host);
            if (code != kCodeProgramMissing) break;
        }
    }
    return code;
}

}  // namespace

int32_t ParseFlagText(JobRun& job, const std::string& flagText) {
    if (StartsWith(flagText, "StopAgent")) return AgentCode(job, job.host.StopAgent());
    if (StartsWith(flagText, "StartAgent")) return AgentCode(job, job.host.StartAgent());
    if (StartsWith(flagText, "CopyAgent")) {
        const std::string file = flagText.substr(std::min<size_t>(flagText.size(), 10));
        return AgentCode(job, job.host.CopyAgent(file));
    }
    FillFlagTable(flagText, job.flags, job.DebugConsole());
    return 0;
}

uint32_t ExecuteLine(JobRun& job, size_t lineStart, size_t lineLength) {
    const std::string_view text(job.view.data(), job.view.size());
    std::string command;
    try {
        command = text.substr(lineStart + kCommandColumn, lineLength - kCommandColumn);
    } catch (const std::bad_alloc&) {
        return job.options.autonomic ? 8 : kResultAbort;
    }
    const std::optional<RunMode> marker = TakeModeMarker(command);
    ReplaceExternalVariable(command, job.options);
    job.host.Log(Format("exec command <%s>\n", command.c_str()));

    // The state reaches the disk before the command can restart the machine, so the command
    // never runs twice.
    MarkLineStarted(job.view, lineStart);
    job.host.Persist(lineStart, 1);

    const EvaluationRules rules{job.options.autonomic, job.options.noRestart};
    const bool skippedByMarker = marker && *marker != job.options.mode;
    int32_t code = 0;
    std::optional<Evaluation> evaluation;
    if (skippedByMarker) {
        if (!IsFlagLine(command)) {
            evaluation = Evaluate(0, job.flags, job.conditions, rules, job.DebugConsole());
        }
    } else if (IsFlagLine(command)) {
        code = ParseFlagText(job, FlagTextOf(command));
    } else {
        if (!job.options.preinstallation || !IsSkippedInPreinstallation(command)) {
            code = RunCommand(job, command);
        }
        evaluation = Evaluate(code, job.flags, job.conditions, rules, job.DebugConsole());
    }

    job.host.Log(skippedByMarker ? Format(" . . . skipped! (Sysret = %d)\n", code)
                                 : Format(" . . . returned %d\n", code));
    WriteCodeField(job.view, lineStart, code);
    job.host.Persist(lineStart + kCodeColumn, 3);

    if (!evaluation) return 0;
    // Requested once the code is on disk; the machine goes down while the runner finishes.
    if (evaluation->restartRequested) job.host.RequestRestart();
    return evaluation->result;
}
