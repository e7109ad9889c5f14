#include "jobrunner/do_it_again.h"

#include <new>

#include "jobrunner/program_lookup.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/text_format.h"

namespace {

constexpr uint32_t kErrorNotEnoughMemory = 8;

}  // namespace

int32_t DoItAgain(const std::string& key, const std::string& valueName, const std::string& command,
                  JobHost& host) {
    host.Log("DoItAgain: try to get Quillon-Path from registry ...\n");
    const RegistryText value = host.ReadMachineRegistry(key, valueName);
    const int error = static_cast<int>(value.error);
    switch (value.stage) {
        case RegistryText::Stage::kRead:
            break;
        case RegistryText::Stage::kKeyMissing:
            host.Log(Format("Unknown registry key %s, error %d\n", key.c_str(), error));
            return kCodeProgramMissing;
        case RegistryText::Stage::kValueMissing:
            host.Log(Format("Unknown registry value %s, error %d\n", valueName.c_str(), error));
            return kCodeProgramMissing;
        case RegistryText::Stage::kReadFailed:
            host.Log(Format("Wrong registry entry %s, error %d\n", valueName.c_str(), error));
            return kCodeProgramMissing;
    }

    const std::string oldPath = host.Environment("PATH").value_or("");
    std::string assignment;
    try {
        assignment = Format("PATH=%s;%s", oldPath.c_str(), value.text.c_str());
    } catch (const std::bad_alloc&) {
        host.Log(Format("No memory for path, erro %d", static_cast<int>(kErrorNotEnoughMemory)));
        return kCodeProgramMissing;
    }
    host.Log(Format("DoItAgain: set path from %s to %s\n", oldPath.c_str(), assignment.c_str()));
    if (const uint32_t failed = host.PutEnvironment(assignment)) {
        host.Log(Format("DoItAgain: putenv returned error %d\n", static_cast<int>(failed)));
        return kCodeProgramMissing;
    }

    const InterpreterRun run = host.RunInterpreter(command);
    const int32_t code = run.started ? run.code : -1;
    host.Log(Format("DoItAgain: System(<%s>) returned %d\n", command.c_str(), code));
    if (MayBeMissingProgram(code) && LookUpCommand(command, host) == kCodeProgramMissing) {
        return kCodeProgramMissing;
    }
    return code;
}
