// Shared fixture of the program tests: runs the built tessel-emu in a temporary directory
// against a lab and compares the exact output after the banner and the exit status.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/process_runner.h"

inline const std::string kStars(76, '*');
inline const std::string kBanner =
    "\n " + kStars +
    "\n    Kelmar Corporation TESSEL Utility.\n"
    "\n    Tessel Version 1.30.00.01 (2012.06.14) \n"
    "    Copyright (c) 2006-2012 Kelmar Corporation. All rights reserved.\n"
    "\n " +
    kStars + "\n\n";
inline const std::string kNoAdapters =
    "\tNo Kelmar SAS adapters found! Limited Command Set Available!\n";
inline const std::string kFinished =
    "\nFinished Processing Commands Successfully.\n\tExiting Tessel.\n";
inline const std::string kUnable = "\tUnable to Process Commands.\n\tExiting Tessel.\n";
inline const std::string kStopped = "\tDue to error remaining commands will not be executed.\n";
inline const std::string kExitingProgram = "\tExiting Program.\n";

struct Case {
    std::vector<std::string> arguments;
    std::string output;  // after the banner
    int exitStatus;
    std::string input = "";
};

class TesselTest : public testing::Test {
  protected:
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        ProcessRequest request;
        request.program = TESSEL_EMU_PATH;
        request.arguments = arguments;
        request.environment = {{"TESSEL_LAB", lab_}};
        request.input = input;
        request.workingDirectory = dir_.path();
        return RunProcess(request);
    }

    void Expect(const Case& c) {
        const ProcessResult result = Run(c.arguments, c.input);
        std::string line;
        for (const auto& a : c.arguments) line += a + " ";
        EXPECT_EQ(kBanner + c.output, result.out) << line;
        EXPECT_EQ(c.exitStatus, result.exitStatus) << line;
    }

    std::string File(const std::string& name) const { return dir_.File(name); }

    TempDir dir_;
    std::string lab_ = dir_.File("lab");
};

inline std::string Selected(const std::string& chip) {
    return "\tAdapter Selected is a Kelmar SAS " + chip + ":\n\n";
}
inline std::string NotFound(const std::string& identifier) {
    return "\tOperation not found: " + identifier + ".\n";
}

// Writes ioc<N>/controller.conf of the lab.
inline void WriteController(const std::string& lab, int ioc, const std::string& conf) {
    WriteTextFile(lab + "/ioc" + std::to_string(ioc) + "/controller.conf", conf);
}
