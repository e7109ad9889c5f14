#include "stub/win/run_step.h"

#include <memory>

#include "stub/package/extract_package.h"
#include "stub/run/engine_command.h"
#include "stub/win/agent_files.h"
#include "stub/win/agent_roles.h"
#include "stub/win/disk_source.h"
#include "stub/win/main_window.h"
#include "stub/win/message_box.h"
#include "stub/win/pump.h"
#include "stub/win/stub_process.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/trace.h"
#include "stub/win/web_install.h"
#include "stub/win/win_files.h"

namespace {

constexpr char kBadCrcText[] =
    "Bad CRC!<P>This indicates that your setup file might be corrupted...";

std::string Pid() {
    return std::to_string(GetCurrentProcessId());
}

// The box texts of one package's language.
struct BoxWords {
    explicit BoxWords(const TGFileInfo& info)
        : error(info.LangString("Error", "Error")),
          buttons(info.LangString("BtnText", kDefaultButtonText)),
          charset(info.LangCharset()) {}
    std::string error;
    std::string buttons;
    int charset;
};

// The stub's side of an extraction: bars, pumping, trace and the error boxes, each kind once.
class StubObserver : public ExtractObserver {
  public:
    StubObserver(const Win32ExtractTarget& target, const std::string& archive,
                 const BoxWords& words)
        : target_(target), archive_(archive), words_(words) {}

    void ProgressReset(uint32_t count) override { ::ProgressReset(count); }
    void ProgressStep() override { ::ProgressStep(); }
    void Pump() override { PumpMessages(); }
    void Log(std::string_view line) override { TraceLine(line); }

    void DirectoryFailed() override { Error(target_.DirectoryFailedText()); }
    void WriteFailed(const std::string& name, uint64_t dataSize) override {
        Error(target_.WriteFailedText(name, dataSize));
    }
    void NameRefused(const std::string& name) override {
        Error(name + "<P><P>Unable to save Extracted File!<P><P>" +
              "The name leads outside the extraction directory.");
    }
    void DiskCorrupt(const std::string& path, const std::string& reason) override {
        TraceLine(Pid() + " Corrupt disk file " + path + ": " + reason);
    }
    void InflateFailed(const std::string& name, const std::string& message) override {
        // A stream can break before it names its file; the package is named then.
        Error((name.empty() ? archive_ : target_.PathOf(name)) + "<P><P>" + message);
    }

  private:
    void Error(const std::string& text) {
        ErrorBox(BoxOwner(0), text, words_.error, words_.charset, words_.buttons);
    }
    const Win32ExtractTarget& target_;
    const std::string& archive_;
    const BoxWords& words_;
};

// The file name part of a run name: the trimmed text before its '*'.
std::string EngineProgramName(const std::string& runName) {
    std::string name = runName.substr(0, runName.find('*'));
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

// Starts the engine, waits for it and its dialog, and answers whether it deleted its atom.
bool RunEngine(const std::string& directory, const std::string& runName,
               const std::string& parameters, bool foreground) {
    StubProcess& stub = Stub();
    const std::string tid = "_" + std::to_string(GetCurrentThreadId());
    std::string command =
        EngineCommand({runName, parameters, directory, tid, stub.stubPath, stub.agentMode});

    // Read before the engine can rewrite the file.
    const std::string original = OriginalFilePath();
    const std::string startUpLink = ProfileText(original, "UnInstall", "StartUpLink");
    const std::string updateLink = ProfileText(original, "UnInstall", "CheckforNewUpdateLink");

    TraceLine(Pid() + " ==== WinExec(Engine.exe) >>" + command + "<<");
    const std::string atomName = kEngineAtomPrefix + tid;
    GlobalAddAtomA(atomName.c_str());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = foreground ? SW_SHOW : SW_HIDE;
    PROCESS_INFORMATION process{};
    // The program is named apart from its command line, so a space in the temporary path cannot
    // make the system guess at it.
    const std::string program = directory + "\\" + EngineProgramName(runName);
    const bool started = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (!started) TraceLine(Pid() + " Engine not started: " + LastErrorText());
    if (stub.mainWindow) ShowWindow(stub.mainWindow, SW_HIDE);
    PumpWait(1000);
    if (started) {
        DWORD code = STILL_ACTIVE;
        while (GetExitCodeProcess(process.hProcess, &code) && code == STILL_ACTIVE) PumpWait(500);
        stub.exitCode = code;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const std::string dialogClass = kEngineDialogClassPrefix + tid;
    while (FindWindowA(dialogClass.c_str(), nullptr)) PumpMessages(100);
    PumpWait(1000);

    const ATOM atom = GlobalFindAtomA(atomName.c_str());
    const bool succeeded = atom == 0;
    if (atom) GlobalDeleteAtom(atom);
    if (succeeded) {
        const std::string infoFile = InfoFilePath();
        if (GetPrivateProfileIntA("NewSetup", "RemoveStartUpShortcut", 0, infoFile.c_str()) == 1 &&
            IsExistingFile(startUpLink))
            DeleteFileA(startUpLink.c_str());
        if (GetPrivateProfileIntA("NewSetup", "RemoveCheckForNewUpdateShortcut", 0,
                                  infoFile.c_str()) == 1 &&
            IsExistingFile(updateLink))
            DeleteFileA(updateLink.c_str());
    }
    return succeeded;
}

}  // namespace

bool ExtractAndRun(std::string directory, const std::string& archive, const std::string& agentName,
                   const std::string& parameters, bool foreground) {
    StubProcess& stub = Stub();
    bool succeeded = false;
    const std::unique_ptr<TGFileInfo> info = LoadPackageInfo(archive);
    const BoxWords words(*info);
    if (info->ShowActivityBar()) ShowActivityBar();
    SetStatusText(info->LangString("s1", "Extracting Files..."), info->LangFontName(),
                  info->LangCharset(), info->LangFontSize());
    if (!CheckSpace(directory, archive) && FindAltTempDrive()) directory = AltTempDir();
    TraceLine(std::string("========= ForegroundOp=") + TrueFalse(foreground) + " ==========");

    const auto confirm = [&](const std::string& text) {
        return ConfirmBox(BoxOwner(0), text, info->LangString("Confirm", "Confirm"), words.charset,
                          words.buttons);
    };
    if (!foreground || SpaceNotice(directory, *info, confirm)) {
        const std::string prompt = info->LangString(
            "s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
        const std::string caption = info->LangString("Attention", "Attention");
        if (foreground && stub.mainWindow) ShowWindow(stub.mainWindow, SW_SHOW);
        PumpWait(1000);

        const DWORD start = GetTickCount();
        Win32DiskSource disks(
            prompt,
            [&](const std::string& text) {
                return OkCancelBox(BoxOwner(0), text, caption, words.charset, words.buttons);
            },
            ReadForcePrompt());
        Win32ExtractTarget target(directory);
        StubObserver observer(target, archive, words);
        const ExtractRequest request{archive, agentName, FileDosStamp(archive)};
        const ExtractResult result =
            ExtractPackage(request, disks, target, observer, stub.counters);
        TraceLine("UnCompressTime: " + std::to_string(GetTickCount() - start) + " MS");
        TraceLine();
        PumpWait(500);
        PumpWait(1000);

        const bool corrupt =
            result.status == ExtractStatus::kCorrupt || result.status == ExtractStatus::kReadFailed;
        if (!result.runName.empty() && result.checksumPassed &&
            result.status == ExtractStatus::kDone)
            succeeded = RunEngine(directory, result.runName, parameters, foreground);
        if (!result.checksumPassed || corrupt)
            ErrorBox(BoxOwner(0), info->LangString("s7", kBadCrcText), words.error, words.charset,
                     words.buttons);
    }
    RemoveAltTempDir();
    return succeeded;
}

void RunStep() {
    StubProcess& stub = Stub();
    if (stub.mainWindow) KillTimer(stub.mainWindow, 1);
    const TGFileInfo& info = *stub.ownInfo;
    const std::string agentName = info.MakeAgentCopy() ? info.AgentExeName() : std::string();
    if (info.WebInstall()) {
        RunWebInstall(agentName);
    } else {
        const std::string archive =
            HasStubSwitch("/SpanDiskFName1=") ? StubSwitchValue("/SpanDiskFName1=") : stub.stubPath;
        const bool hidden = HasStubSwitch("/hide") || info.RunHidden();
        ExtractAndRun(SetupDir(), archive, agentName, stub.parameters, !hidden);
    }
    RemoveTree(SetupDir(), true);
    PostQuitMessage(0);
}
