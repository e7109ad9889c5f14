// Measures the runner's overhead per command line under the real interpreter: a job of 200
// lines of "exit 0" against the same 200 commands started through the interpreter from one
// batch file. Prints both times and their ratio; fails only when the job did not finish.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "jobrunner/win/program_test_support.h"

namespace {

constexpr int kLines = 200;

double Seconds(const Launch& launch, uint32_t* exitCode) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    *exitCode = RunProgram(launch).exitCode;
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Lists the command lines that did not end as "1 000" and answers whether every line ran. Under
// a heavily loaded Wine a start of the interpreter now and then fails (error 1359); the runner
// then records -1 for that line, as it must, and the job still runs to its end.
bool EveryLineRan(const std::string& file) {
    bool ran = true;
    int number = 0;
    for (size_t start = 0; start < file.size();) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        const std::string line = file.substr(start, end - start);
        ++number;
        if (line.find("exit 0") != std::string::npos && line.rfind("1 000 ", 0) != 0) {
            std::printf("  line %d: %s\n", number, line.c_str());
            ran = ran && line[0] == '1';
        }
        start = end + 1;
    }
    return ran;
}

}  // namespace

int main() {
    Sandbox box;
    box.MakeDirectory("fw");
    box.MakeDirectory("job");
    std::string pending, finished, flagLines, batchFile = "@echo off\r\n";
    for (int i = 0; i < kLines; ++i) {
        pending += "0   - exit 0\r\n";
        flagLines += "0   - flag none\r\n";
        finished += "1 000 exit 0\r\n";
        batchFile += "%COMSPEC% /c exit 0\r\n";
    }
    box.Write("job\\run.bat", batchFile);

    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    Launch viaBatch;
    viaBatch.program = std::string(system) + "\\cmd.exe";
    viaBatch.arguments = {"/c", box.Path("job\\run.bat")};
    viaBatch.workingDirectory = box.Path("job");
    Launch viaRunner;
    viaRunner.program = BinProgram("Stepwright.exe");
    viaRunner.arguments = {box.root(), box.Path("job\\job.arg")};
    viaRunner.workingDirectory = box.root();

    // The first interpreter start pays for loading it; leave that out of both figures.
    Launch warmUp = viaBatch;
    warmUp.arguments = {"/c", "exit 0"};
    uint32_t code = 0;
    Seconds(warmUp, &code);

    // Both in the order batch, runner, runner, batch, so that a machine getting busier or
    // quieter meanwhile weighs on both alike; the faster of each pair counts.
    double batch = 1e9, runner = 1e9;
    bool finishedJob = true;
    for (int round = 0; round < 4; ++round) {
        if (round == 0 || round == 3) {
            batch = std::min(batch, Seconds(viaBatch, &code));
            continue;
        }
        box.Write("job\\job.arg", ArgumentFile(box.Path("fw"), pending));
        runner = std::min(runner, Seconds(viaRunner, &code));
        const std::string after = box.Read("job\\job.arg");
        if (after != ArgumentFile(box.Path("fw"), finished)) {
            std::printf("lines that did not end with code 0:\n");
        }
        if (!EveryLineRan(after) || code != 0) {
            std::printf("the job did not run to its end: exit status %u\n", code);
            finishedJob = false;
        }
    }

    // The runner's own work per line (log, state, code, both flushes) without any process start:
    // the same number of flag lines, which run no command.
    box.Write("job\\job.arg", ArgumentFile(box.Path("fw"), ""));
    const double empty = Seconds(viaRunner, &code);
    box.Write("job\\job.arg", ArgumentFile(box.Path("fw"), flagLines));
    const double flagsOnly = Seconds(viaRunner, &code);
    finishedJob = finishedJob && code == 0;

    std::printf(
        "%d command lines: batch %.3f s (%.2f ms a line), Stepwright %.3f s "
        "(%.2f ms a line)\n",
        kLines, batch, 1000 * batch / kLines, runner, 1000 * runner / kLines);
    std::printf("overhead %.2f ms a line, ratio Stepwright/batch %.2f\n",
                1000 * (runner - batch) / kLines, runner / batch);
    std::printf(
        "%d flag lines (no command started): Stepwright %.3f s, an empty job %.3f s: %.2f ms a "
        "line of the runner's own work\n",
        kLines, flagsOnly, empty, 1000 * (flagsOnly - empty) / kLines);
    std::fflush(stdout);
    return finishedJob ? 0 : 1;
}
