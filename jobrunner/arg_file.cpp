#include "jobrunner/arg_file.h"

#include "common/bytes.h"
#include "jobrunner/code_field.h"
#include "jobrunner/result_codes.h"

namespace {

constexpr std::string_view kRuntimeHeader = "[Runtime]";
constexpr std::string_view kFwPathKey = "FWPATH=";

struct SectionHeaders {
    std::string_view begin;
    std::string_view end;
};

SectionHeaders HeadersFor(RunMode mode) {
    if (mode == RunMode::kUpdate) return {"[UpdCommands]", "[Commands]"};
    return {"[Commands]", "[Manager]"};
}

}  // namespace

FwPathLookup FindFwPath(std::string_view text, bool autonomic,
                        const std::string& workingDirectory) {
    FwPathLookup out;
    size_t line = text.find(kRuntimeHeader);
    if (line == kNotFound) {
        out.result = kResultParametersMissing;
        out.debugMessage = "Can not find RUNTIMESECTION\n";
        return out;
    }
    do {
        const size_t lf = text.find('\n', line);
        if (lf == kNotFound) {
            out.result = kResultParametersMissing;
            out.debugMessage = "Can't find line without comment\n";
            return out;
        }
        line = lf + 1;
    } while (line < text.size() && text[line] == '#');

    const size_t key = text.find(kFwPathKey, line);
    if (key == kNotFound) {
        out.result = kResultFwPathKeyMissing;
        return out;
    }
    const size_t valueStart = key + kFwPathKey.size();
    const size_t lf = text.find('\n', valueStart);
    if (lf == kNotFound) {
        // A last line without a line end: the value runs to the end of the file.
        out.value = std::string(text.substr(valueStart));
        if (!out.value.empty() && out.value.back() == '\r') out.value.pop_back();
    } else if (lf > valueStart) {
        out.value = std::string(text.substr(valueStart, lf - 1 - valueStart));
    }
    if (autonomic) out.value = workingDirectory;
    if (out.value.empty()) {
        out.result = autonomic ? kAutonomicStepFailed : kResultParametersMissing;
        out.debugMessage = "Can't find FWPATHKEY\n";
    }
    return out;
}

CommandSection FindCommandSection(std::string_view text, RunMode mode) {
    const SectionHeaders headers = HeadersFor(mode);
    CommandSection section;
    const size_t header = text.find(headers.begin);
    if (header == kNotFound) return section;
    section.end = text.find(headers.end);
    if (section.end == kNotFound) {
        section.status = CommandSection::Status::kEndMissing;
        return section;
    }
    section.status = CommandSection::Status::kFound;
    section.cursor = text.find('\n', header);
    return section;
}

PendingLine NextPendingLine(std::string_view text, size_t cursor, size_t end) {
    PendingLine line;
    if (cursor == kNotFound) return line;  // the header ends the file: no lines follow
    size_t candidate = cursor + 1;
    while (candidate < end && text[candidate] != '0') {
        const size_t lf = text.find('\n', candidate);
        candidate = lf == kNotFound ? text.size() : lf + 1;
    }
    // A candidate at or past the end header is never a line of the section: its line end lies
    // beyond the header too.
    if (candidate >= end) return line;
    const size_t lf = text.find('\n', candidate);
    if (lf == kNotFound) {
        line.kind = PendingLine::Kind::kCorrupted;
        return line;
    }
    if (lf > end) return line;
    line.kind = PendingLine::Kind::kLine;
    line.start = candidate;
    line.length = lf - candidate - 1;
    line.lf = lf;
    return line;
}

void MarkLineStarted(std::span<char> view, size_t lineStart) {
    ByteWriter(view.data(), view.size()).U8(lineStart, '1');
}

void WriteCodeField(std::span<char> view, size_t lineStart, int32_t code) {
    const std::array<char, 3> field = FitCodeField(code);
    ByteWriter(view.data(), view.size()).Copy(lineStart + kCodeColumn, field.data(), field.size());
}
