#include "jobrunner/win/run_sequence.h"

#include <cstdio>
#include <ctime>

#include "jobrunner/arg_file.h"
#include "jobrunner/basic_parameters.h"
#include "jobrunner/exit_status.h"
#include "jobrunner/log_head.h"
#include "jobrunner/result_codes.h"
#include "jobrunner/run_options.h"
#include "jobrunner/section_walk.h"
#include "jobrunner/text_format.h"
#include "jobrunner/version.h"
#include "jobrunner/win/job_file.h"
#include "jobrunner/win/log_file.h"
#include "jobrunner/win/machine_registry.h"
#include "jobrunner/win/staging.h"
#include "jobrunner/win/windows_job_host.h"

namespace {

constexpr const char* kLogName = "Stepwright.log";
constexpr const char* kAutonomicArgumentFile = "kd.arg";

// A directory that cannot be entered leaves the current one; that is not reported.
void EnterDirectory(const std::string& directory) {
    SetCurrentDirectoryA(directory.c_str());
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local ? FormatLogTime(*local) : "\n";
}

struct JobOutcome {
    uint32_t result = kResultRunFailed;
    ConditionFlags conditions;
    BasicParameters params;
    std::vector<std::string> refused;
};

uint32_t ReadBasicParameters(std::string_view text, const RunOptions& options,
                             const std::string& workingDirectory, BasicParameters& params,
                             JobHost& host) {
    const FwPathLookup fwPath = FindFwPath(text, options.autonomic, workingDirectory);
    if (fwPath.debugMessage) host.Console(fwPath.debugMessage);
    if (fwPath.result != 0) return fwPath.result;
    params.fwPath = fwPath.value;
    const uint32_t listed = ListJobFiles(params, options.autonomic, host);
    if (listed != 0) params = BasicParameters{};
    return listed;
}

// The job itself: the file's view, the parameters, staging and the command section.
void RunJob(JobFile& file, const std::string& argumentFile, const RunOptions& options,
            const std::string& workingDirectory, WindowsJobHost& host, JobOutcome& outcome) {
    if (const uint32_t error = file.CreateMapping()) {
        host.Log(Format("ERROR %d creating file map\n", static_cast<int>(error)));
        return;
    }
    if (const uint32_t error = file.MapView()) {
        host.Log(Format("ERROR %d creating file view\n", static_cast<int>(error)));
        return;
    }
    host.Console("Jetzt gehts los\n");

    const std::span<char> view = file.view();
    BasicParameters& params = outcome.params;
    if (const uint32_t result = ReadBasicParameters({view.data(), view.size()}, options,
                                                    workingDirectory, params, host)) {
        host.Log(Format("ERROR %d reading basic parameters\n", static_cast<int>(result)));
        return;
    }
    params.execPath = options.autonomic ? workingDirectory : ExecPathOf(argumentFile);
    host.Log(Format("basic parameters:\nExecPath : %s\nFwPath : %s\nNumberOfFiles : %d\n",
                    params.execPath.c_str(), params.fwPath.c_str(), params.NumberOfFiles()));
    if (!options.autonomic) {
        StageFiles(params, outcome.refused, host);
        EnterDirectory(params.execPath);
    }

    JobRun job{view, options, host};
    outcome.result = WalkCommandSection(job);
    outcome.conditions = job.conditions;
}

}  // namespace

uint32_t RunStepwright(const std::vector<std::string>& arguments) {
    CommandLine line = ReadCommandLine(arguments);
    if (line.printVersion) {
        std::printf("%d.%d.%d.%d\n", kVersionMajor, kVersionMinor, kVersionPatch, kVersionBuild);
        return 0;
    }
    RunOptions& options = line.options;
    options.preinstallation = IsPreinstallationEnvironment();
    if (line.tooFewArguments) return kResultRunFailed;

    const std::string startDirectory = CurrentDirectoryPath();
    EnterDirectory(line.firstDirectory.value_or(startDirectory));
    if (line.pspmodeDirectory) EnterDirectory(*line.pspmodeDirectory);
    const std::string workingDirectory = CurrentDirectoryPath();

    LogFile log;
    JobFile file;
    WindowsJobHost host(log, file, options.debug);
    if (!options.autonomic || options.debug) log.Open(kLogName);
    LogHeadFacts head;
    head.timeText = LocalTimeText();
    head.autonomic = options.autonomic;
    head.arguments = arguments;
    head.workingDirectory = workingDirectory;
    head.externalVariablePresent = options.externalVariablePresent;
    head.externalVariable = options.externalVariable;
    host.Log(FormatLogHead(head));

    const std::string argumentFile = options.autonomic ? kAutonomicArgumentFile : line.argumentFile;
    host.Log(Format("Open argument file %s\n", argumentFile.c_str()));
    if (const uint32_t error = file.Open(argumentFile, options.autonomic)) {
        host.Log(Format("open returned error %d\n", static_cast<int>(error)));
        log.Close();
        return kResultRunFailed;
    }

    JobOutcome outcome;
    RunJob(file, argumentFile, options, workingDirectory, host, outcome);

    host.Log(Format("Current directory %s\n", CurrentDirectoryPath().c_str()));
    if ((outcome.result == 0 || outcome.result == 1) && !options.autonomic) {
        DeleteStagedFiles(outcome.params, outcome.refused, host);
    }
    outcome.params = BasicParameters{};
    EnterDirectory(startDirectory);
    file.Release();
    const uint32_t status =
        ComposeExitStatus(outcome.result, options.autonomic, outcome.conditions);
    host.Log(Format("Stepwright returns error 0x%X\n", status));
    log.Close();
    return status;
}
