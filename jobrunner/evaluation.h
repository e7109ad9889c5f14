// Evaluation of a return code against the FlagTable, and the translation for the autonomic form.
#pragma once

#include <cstdint>

#include "jobrunner/condition_flags.h"
#include "jobrunner/flag_table.h"

struct EvaluationRules {
    bool autonomic = false;
    bool noRestart = false;  // option "-n"
};

struct Evaluation {
    uint32_t result = 0;
    // Stays set even when a later slot clears the result: a request once made is not withdrawn.
    bool restartRequested = false;
};

Evaluation Evaluate(int32_t code, const FlagTable& table, ConditionFlags& conditions,
                    const EvaluationRules& rules, const ConsoleSink& console);

// 0 and 1 give 0, 2 gives 8, 5 and 6 give 2, 16 stays; anything else gives 55.
uint32_t TranslateForAutonomic(uint32_t result);
