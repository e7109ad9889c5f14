// Packages from wyvern-pack and from an independent Python/zlib maker, built from the same files,
// extracted by the tool's native extraction: both must give back every file byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "testing/process_runner.h"

namespace fs = std::filesystem;

namespace {

ProcessResult Pack(std::vector<std::string> arguments) {
    return RunProcess({WYVERN_PACK_PATH, std::move(arguments), {}, {}, {}});
}

std::string Noise(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(engine() % 7 ? engine() : 'a');
    return out;
}

}  // namespace

TEST(PackageInterop, BuilderAndPythonPackagesExtractIdentically) {
    TempDir dir;
    std::string stub(4096, 'S');
    stub[0] = 'M', stub[1] = 'Z', stub[256] = 'P', stub[257] = 'E';
    std::fill(stub.begin() + 248, stub.begin() + 256, '\0');
    WriteTextFile(dir.File("stub.exe"), stub);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Engine.exe", Noise(300000, 1)},
        {"readme.txt", std::string(2 << 20, 'r') + "end"},
        {"empty.dat", ""},
        {"sub\\deep\\lib.dll", Noise(70000, 2)},
    };
    std::string manifest =
        "[package]\nstub = stub.exe\nbuild-stamp = 3900000000\n"
        "[language English]\ns0 = Interop\n";
    std::string entries;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string source = "src" + std::to_string(i);
        WriteTextFile(dir.File(source), files[i].second);
        const std::string name = files[i].first + (i == 0 ? "* /S" : "");
        // Each maker compresses what the other stores, so both forms come from both.
        const bool compressed = i % 2 == 0;
        manifest += "[entry]\nname = " + name + "\nsource = " + source +
                    "\nmethod = " + (compressed ? "compressed" : "stored") +
                    "\nstamp = 1485188111\n";
        std::string jsonName;
        for (char c : name) jsonName += c == '\\' ? std::string("\\\\") : std::string(1, c);
        entries += std::string(entries.empty() ? "" : ",") + "{\"name\": \"" + jsonName +
                   "\", \"source\": \"" + dir.File(source) +
                   "\", \"compressed\": " + (compressed ? "false" : "true") +
                   ", \"stamp\": 1485188111}";
    }
    WriteTextFile(dir.File("package.manifest"), manifest);
    WriteTextFile(dir.File("layout.json"),
                  "{\"stub\": \"" + dir.File("stub.exe") +
                      "\", \"languages\": [[\"English\", [[\"s0\", \"Interop\"]]]], "
                      "\"update\": [\"http://\", \".info\", \".exe\", \"\", \"0\"], "
                      "\"entries\": [" +
                      entries + "]}");

    ProcessResult built = Pack({"build", dir.File("package.manifest"), dir.File("kit.exe")});
    ASSERT_EQ(built.exitStatus, 0) << built.err;
    ProcessResult python = RunProcess(
        {PYTHON_PATH, {MAKE_PACKAGE_PY, dir.File("layout.json"), dir.File("py.exe")}, {}, {}, {}});
    ASSERT_EQ(python.exitStatus, 0) << python.err;

    for (const char* package : {"kit.exe", "py.exe"}) {
        ProcessResult verify = Pack({"verify", dir.File(package)});
        EXPECT_EQ(verify.exitStatus, 0) << package << verify.out << verify.err;
        EXPECT_NE(verify.out.find("passes"), std::string::npos) << verify.out;
        const std::string out = dir.File(std::string(package) + ".out");
        ProcessResult extracted = Pack({"extract", dir.File(package), out});
        ASSERT_EQ(extracted.exitStatus, 0) << package << extracted.err;
        EXPECT_EQ(extracted.out, "Run=Engine.exe* /S\n");
        size_t count = 0;
        for (const auto& item : fs::recursive_directory_iterator(out))
            count += item.is_regular_file();
        EXPECT_EQ(count, files.size());
        for (const auto& [name, bytes] : files) {
            std::string path = name;
            for (char& c : path)
                if (c == '\\') c = '/';
            EXPECT_EQ(ReadTextFile(out + "/" + path), bytes) << package << " " << name;
        }
    }
}

TEST(PackageInterop, CommandsReportBadPackages) {
    TempDir dir;
    WriteTextFile(dir.File("junk.exe"), std::string(100, 'x') + std::string("\x02\0\0\0", 4));
    ProcessResult extracted = Pack({"extract", dir.File("junk.exe"), dir.File("out")});
    EXPECT_EQ(extracted.exitStatus, 1);
    EXPECT_NE(extracted.err.find("corrupt disk file: trailer length below 4"), std::string::npos)
        << extracted.err;
    EXPECT_FALSE(fs::exists(dir.File("out")));
    EXPECT_EQ(Pack({"frobnicate"}).exitStatus, 2);
}
