// The library search under Windows: a library planted beside the program, under the name of one
// the stub preloads, must never be the one that loads.
#include "stub/win/system_libraries.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobrunner/win/program_test_support.h"

namespace {

// The probe and the planted "MSLS31.dll" copied into a fresh directory, where the probe runs
// with that directory as its current one too.
struct PlantedRun {
    bool markerAppeared = false;
    std::string loadedFrom;  // the probe's report: the path of the MSLS31.dll it has loaded
};

PlantedRun RunProbe(const char* mode) {
    Sandbox box;
    const std::string probe = box.Path("probe.exe");
    EXPECT_TRUE(CopyFileA(BinProgram("wyvern_library_probe.exe").c_str(), probe.c_str(), FALSE));
    EXPECT_TRUE(CopyFileA((BinDirectory() + "\\planted\\MSLS31.dll").c_str(),
                          box.Path("MSLS31.dll").c_str(), FALSE));
    Launch launch;
    launch.program = probe;
    launch.arguments = {mode};
    launch.workingDirectory = box.root();
    const ProgramRun run = RunProgram(launch);
    EXPECT_EQ(run.exitCode, 0u) << mode;
    PlantedRun result;
    result.markerAppeared = box.Exists("MSLS31.loaded");
    result.loadedFrom = run.out;
    return result;
}

}  // namespace

TEST(SystemLibraries, APlantedLibraryLoadsWithTheDefaultSearch) {
    // The control: without the restriction the loader does take the planted copy, so the two
    // tests below can see it if it is taken.
    const PlantedRun run = RunProbe("plain");
    EXPECT_TRUE(run.markerAppeared) << "loaded: " << run.loadedFrom;
}

TEST(SystemLibraries, RestrictedSearchNeverTakesAPlantedLibrary) {
    for (const char* mode : {"startup", "restricted"}) {
        const PlantedRun run = RunProbe(mode);
        EXPECT_FALSE(run.markerAppeared) << mode << " loaded: " << run.loadedFrom;
    }
}
