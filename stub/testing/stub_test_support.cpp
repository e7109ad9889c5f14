#include "stub/testing/stub_test_support.h"

#include <cstring>
#include <map>
#include <stdexcept>

#include "stub/testing/screenshot.h"
#include "tools/package_builder/package_writer.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The test's own environment with `overrides` set, as a CreateProcess block.
std::string EnvironmentBlock(const Environment& overrides) {
    std::map<std::string, std::string> byKey;  // upper-cased name -> "Name=value"
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
        const std::string entry(p);
        const size_t eq = entry.find('=', 1);
        if (eq != std::string::npos) byKey[Upper(entry.substr(0, eq))] = entry;
    }
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) byKey[Upper(name)] = name + "=" + value;
    std::string out;
    for (const auto& [key, entry] : byKey) out += entry + '\0';
    return out + '\0';
}

}  // namespace

Manifest EngineManifest(const std::string& engineExtra) {
    Manifest manifest;
    manifest.stub = BinProgram("WyvernStub.exe");
    manifest.languages.push_back({"English", {}});
    ManifestEntry engine;
    engine.name = "Engine.exe*" + engineExtra;
    engine.source = BinProgram("wyvern_fake_engine.exe");
    manifest.entries.push_back(engine);
    return manifest;
}

void AddDataEntry(Manifest& manifest, const Sandbox& sandbox, const std::string& name,
                  const std::string& data, bool compressed) {
    std::string source = "source-" + std::to_string(manifest.entries.size()) + ".bin";
    sandbox.Write(source, data);
    ManifestEntry entry;
    entry.name = name;
    entry.source = sandbox.Path(source);
    entry.compressed = compressed;
    entry.dosStamp = 0;
    manifest.entries.push_back(entry);
}

std::vector<std::string> BuildStubPackage(const Manifest& manifest, const std::string& output) {
    BuildResult result;
    std::string error;
    if (!BuildPackage(manifest, "", output, result, error))
        throw std::runtime_error("package not built: " + error);
    return result.files;
}

StubProcessRun::StubProcessRun(const std::string& program, const std::string& parameters,
                               const Environment& environment) {
    std::string line = "\"" + program + "\"";
    if (!parameters.empty()) line += " " + parameters;
    std::string block = EnvironmentBlock(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, block.data(),
                        nullptr, &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
}

StubProcessRun::~StubProcessRun() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
}

bool StubProcessRun::Wait(DWORD milliseconds, DWORD& exitCode) {
    if (!process_) return false;
    if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        return false;
    }
    GetExitCodeProcess(process_, &exitCode);
    return true;
}

std::string StubTemp(const Sandbox& sandbox) {
    return sandbox.Path("temp");
}

Environment StubEnvironment(const Sandbox& sandbox) {
    sandbox.MakeDirectory("temp");
    return {{"TEMP", StubTemp(sandbox)},
            {"TMP", StubTemp(sandbox)},
            {"WYVERN_ENGINE_RECORD", sandbox.Path("record.txt")}};
}

std::string RecordValue(const std::string& record, const std::string& key) {
    const std::string prefix = key + "=";
    for (size_t at = 0; at < record.size();) {
        size_t end = record.find('\n', at);
        if (end == std::string::npos) end = record.size();
        if (record.compare(at, prefix.size(), prefix) == 0)
            return record.substr(at + prefix.size(), end - at - prefix.size());
        at = end + 1;
    }
    return {};
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::string> Subdirectories(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

bool WaitForPath(const std::string& path, bool exists, DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (present == exists) return true;
        if (GetTickCount() > end) return false;
        Sleep(50);
    }
}

std::string ScreenshotPath(const std::string& name) {
    const std::string directory = BinDirectory() + "\\screenshots";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory + "\\" + name + ".png";
}

BoxRecord AnswerBox(DWORD processId, const std::string& answer, const std::string& screenshot,
                    DWORD timeoutMilliseconds) {
    BoxRecord record;
    Answer parsed;
    if (!ParseAnswer(answer, &parsed)) throw std::runtime_error("bad answer " + answer);
    HWND box = WaitForBox(processId, timeoutMilliseconds);
    if (!box) return record;
    record = RecordBox(box);
    if (!screenshot.empty()) SaveWindowPng(box, ScreenshotPath(screenshot));
    PressAnswer(box, parsed);
    WaitUntilGone(box, 10000);
    return record;
}
