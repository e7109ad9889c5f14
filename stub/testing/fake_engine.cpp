// Plays the installer engine a package starts. Its settings come from the environment, which the
// stub passes on, so one engine serves every package of the tests:
//   WYVERN_ENGINE_RECORD=PATH   where to write its command line, directory, show state, whether
//                               the stub's atom was there, and its environment
//   WYVERN_ENGINE_EXIT=N        exit code (default 0)
//   WYVERN_ENGINE_ATOM=delete   delete the stub's atom, i.e. report success (default keep)
//   WYVERN_ENGINE_DIALOG_MS=N   leave a ".SDialog_Class_Name." + tid window open for N ms after
//                               this process ends (a child process holds it)
//   WYVERN_ENGINE_DIALOG_DONE=PATH  written by that child when its window closes
//   WYVERN_ENGINE_COPY_TO=DIR   copy every file of its directory there (the stub removes it)
//   WYVERN_ENGINE_WAIT_FILE=PATH  wait until this file exists before ending (up to 60 s)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Setting(const char* name, const char* fallback = "") {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : fallback;
}

void CopyDirectoryFiles(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileA((from + "\\" + found.cFileName).c_str(),
                      (to + "\\" + found.cFileName).c_str(), FALSE);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::string ThreadIdSwitch(const std::string& commandLine) {
    const size_t at = commandLine.find("/TH_ID=");
    if (at == std::string::npos) return {};
    const size_t start = at + 7;
    const size_t end = commandLine.find(' ', start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int HoldDialog(const std::string& tid, DWORD milliseconds, const std::string& donePath) {
    const std::string className = ".SDialog_Class_Name." + tid;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);
    HWND window = CreateWindowA(className.c_str(), "engine dialog", WS_OVERLAPPED, 0, 0, 100, 50,
                                nullptr, nullptr, wc.hInstance, nullptr);
    const DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    DestroyWindow(window);
    if (!donePath.empty()) {
        if (FILE* f = std::fopen(donePath.c_str(), "wb")) std::fclose(f);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--dialog") == 0)
        return HoldDialog(argv[2], static_cast<DWORD>(std::atol(argv[3])), argv[4]);

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string directory(self);
    directory.resize(directory.find_last_of('\\'));
    const std::string commandLine = GetCommandLineA();
    const std::string tid = ThreadIdSwitch(commandLine);
    const std::string atomName = "AutoUpdateAtomTokenByWyvern" + tid;
    const ATOM atom = GlobalFindAtomA(atomName.c_str());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const std::string record = Setting("WYVERN_ENGINE_RECORD");
    if (!record.empty()) {
        if (FILE* f = std::fopen(record.c_str(), "wb")) {
            std::fprintf(f, "CommandLine=%s\nDirectory=%s\nShowWindow=%d\nAtomFound=%d\n",
                         commandLine.c_str(), directory.c_str(),
                         (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1,
                         atom != 0);
            char* block = GetEnvironmentStringsA();
            for (const char* p = block; *p; p += std::strlen(p) + 1) std::fprintf(f, "Env=%s\n", p);
            FreeEnvironmentStringsA(block);
            std::fclose(f);
        }
    }
    const std::string copyTo = Setting("WYVERN_ENGINE_COPY_TO");
    if (!copyTo.empty()) CopyDirectoryFiles(directory, copyTo);
    if (Setting("WYVERN_ENGINE_ATOM") == "delete" && atom) GlobalDeleteAtom(atom);
    const std::string waitFile = Setting("WYVERN_ENGINE_WAIT_FILE");
    for (int i = 0; !waitFile.empty() && i < 3000; ++i) {
        if (GetFileAttributesA(waitFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(20);
    }

    const long dialogMs = std::atol(Setting("WYVERN_ENGINE_DIALOG_MS", "0").c_str());
    if (dialogMs > 0) {
        std::string child = "\"" + std::string(self) + "\" --dialog " + tid + " " +
                            std::to_string(dialogMs) + " \"" +
                            Setting("WYVERN_ENGINE_DIALOG_DONE") + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi)) {
            // Leave only once the window exists, so the stub is sure to find it.
            const std::string className = ".SDialog_Class_Name." + tid;
            for (int i = 0; i < 200 && !FindWindowA(className.c_str(), nullptr); ++i) Sleep(25);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return std::atoi(Setting("WYVERN_ENGINE_EXIT", "0").c_str());
}
