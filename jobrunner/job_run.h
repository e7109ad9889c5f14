// What one run of a job works on: the file's view, the options, the flags and the host.
#pragma once

#include <span>

#include "jobrunner/condition_flags.h"
#include "jobrunner/flag_table.h"
#include "jobrunner/job_host.h"
#include "jobrunner/run_options.h"

struct JobRun {
    std::span<char> view;
    RunOptions options;
    JobHost& host;
    FlagTable flags{};
    ConditionFlags conditions{};

    ConsoleSink DebugConsole() const {
        if (!options.debug) return {};
        return [this](const std::string& text) { host.Console(text); };
    }
};
