// Packages for the file-layer tests, made by the real package builder (wyvern-pack.exe, built
// beside the tests) from a manifest written into the test's sandbox.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "jobrunner/win/program_test_support.h"

namespace filestest {

// An executable header with room for the trailer-end field, then filler.
inline std::string Stub() {
    std::string stub(2048, 'S');
    stub[0] = 'M', stub[1] = 'Z', stub[256] = 'P', stub[257] = 'E';
    std::fill(stub.begin() + 248, stub.begin() + 256, '\0');
    return stub;
}

inline std::string Noise(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(engine());
    return out;
}

struct PackageEntry {
    std::string name;  // '*' and arguments included
    std::string bytes;
    bool compressed = true;
    uint32_t stamp = 0;
};

// Writes the sources and the manifest into `box`, runs the builder and answers the path of the
// package (the first disk: ".001" appended when `diskSize` spans it).
inline std::string BuildPackage(const Sandbox& box, const std::vector<PackageEntry>& entries,
                                const std::string& package = "setup.exe", uint64_t diskSize = 0,
                                const std::string& flags = "") {
    box.Write("stub.bin", Stub());
    std::string manifest = "[package]\nstub = stub.bin\nchecksum = compute\n";
    manifest += "disk-size = " + std::to_string(diskSize) + "\n";
    if (!flags.empty()) manifest += "flags = " + flags + "\n";
    manifest += "[language English]\ns0 = Files Test\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string source = "source" + std::to_string(i) + ".bin";
        box.Write(source, entries[i].bytes);
        manifest += "[entry]\nname = " + entries[i].name + "\nsource = " + source +
                    "\nmethod = " + (entries[i].compressed ? "compressed" : "stored") +
                    "\nstamp = " + std::to_string(entries[i].stamp) + "\n";
    }
    box.Write("manifest.txt", manifest);
    Launch launch;
    launch.program = BinProgram("wyvern-pack.exe");
    launch.arguments = {"build", box.Path("manifest.txt"), box.Path(package)};
    const ProgramRun run = RunProgram(launch);
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    return box.Path(diskSize ? package + ".001" : package);
}

}  // namespace filestest
