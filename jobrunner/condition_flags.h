// Sticky conditions that the evaluation sets and nothing clears during a run.
#pragma once

struct ConditionFlags {
    bool delayed = false;
    bool hardware = false;
    bool operatingSystem = false;
    bool subsystem = false;
    bool kernelModule = false;
    bool package = false;
    bool targetSystem = false;
    bool diskEncryption = false;
    bool trustedExecution = false;
    bool omitMatched = false;
    bool notOmit = false;
};
