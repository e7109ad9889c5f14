// The X_ agent's update cycle: the per-second tick, the shot that downloads the information file
// and decides, the inform sequence and the update sequence that installs a package.
#include "stub/win/agent_cycle.h"

#include <algorithm>
#include <memory>

#include "stub/package/tg_file_info.h"
#include "stub/run/local_time.h"
#include "stub/update/cycle_rules.h"
#include "stub/update/error_page.h"
#include "stub/update/inform_file.h"
#include "stub/update/update_rules.h"
#include "stub/win/agent_files.h"
#include "stub/win/agent_roles.h"
#include "stub/win/agent_state.h"
#include "stub/win/http_download.h"
#include "stub/win/inform_dialog.h"
#include "stub/win/macro_source.h"
#include "stub/win/main_window.h"
#include "stub/win/message_box.h"
#include "stub/win/process_analysis.h"
#include "stub/win/pump.h"
#include "stub/win/run_step.h"
#include "stub/win/start_program.h"
#include "stub/win/stub_process.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

// Developer code for the "DVX" environment variable: the chain's step joins the no-update notice.
constexpr char kDeveloperCode[] = "731";
// Cycle files read whole from a directory; larger ones are copied.
constexpr uint64_t kMaxInMemoryBytes = 16u << 20;

enum Transient {
    kImmediateUpdate,
    kConfirmDownload,
    kConfirmInstall,
    kBackgroundUpdate,
    kInformFinish,
    kRestartProcess,
    kConfirmDownloadForce,
    kConfirmInstallForce,
};
constexpr const char* kTransientKeys[] = {nullptr,
                                          "RequestConfirmationBeforeDownload",
                                          "RequestConfirmationBeforeInstall",
                                          "BackgroundUpdate",
                                          "InformFinish",
                                          "RestartProcess",
                                          "RequestConfirmationBeforeDownloadForce",
                                          "RequestConfirmationBeforeInstallForce"};

std::string Pid() {
    return std::to_string(GetCurrentProcessId());
}

int64_t NowSeconds() {
    return SecondsSince1899(LocalNow());
}

// A boolean of the information file, or its transient override.
bool Setting(Transient which) {
    const uint8_t value = Agent().transient[which];
    if (value != kTransientUnset) return value == 1;
    const char* key = kTransientKeys[which];
    return key && ProfileFlag(InfoFilePath(), "NewSetup", key);
}

std::string Info(const char* section, const char* key) {
    return ProfileText(InfoFilePath(), section, key);
}
int64_t InfoNumber(const char* section, const char* key, int64_t fallback = 0) {
    return ProfileNumber(InfoFilePath(), section, key, fallback);
}
int64_t OriginalNumber(const char* key) {
    return ProfileNumber(OriginalFilePath(), "OriginalSetup", key, 0);
}
std::string Text(const char* key, const char* fallback = "") {
    return ProfileText(OriginalFilePath(), "AutoUpdate", key, fallback);
}
std::string MsgBoxText(const char* key, const char* fallback) {
    return ProfileText(OriginalFilePath(), "MsgBox", key, fallback);
}
int Charset() {
    return static_cast<int>(ProfileNumber(OriginalFilePath(), "MsgBox", "CharSet", 0));
}
std::string Buttons() {
    return MsgBoxText("BtnText", kDefaultButtonText);
}

void Log(const std::string& line) {
    AgentLog(line);
}

// The original file's time key and its readable twin.
void WriteTime(const char* key, const char* readableKey, int64_t seconds) {
    WriteProfileText(OriginalFilePath(), "OriginalSetup", key, std::to_string(seconds));
    WriteProfileText(OriginalFilePath(), "OriginalSetup", readableKey,
                     ReadableTime(TimeFromSeconds1899(seconds)));
}

void SetStatus(const std::string& text) {
    SetStatusText(text, MsgBoxText("FontName", "Tahoma"), Charset(),
                  static_cast<int>(ProfileNumber(OriginalFilePath(), "MsgBox", "FontSize", 8)));
}

std::string OwnUpdateToken() {
    return Stub().ownInfo->UpdateToken(true);
}

std::string FileHead(const std::string& path, uint64_t limit) {
    const std::unique_ptr<Win32FileReader> reader = Win32FileReader::Open(path);
    if (!reader) return {};
    std::string head(static_cast<size_t>(std::min<uint64_t>(reader->Size(), limit)), '\0');
    head.resize(reader->ReadAt(0, head.data(), head.size()));
    return head;
}

// Whether a downloaded package or inform file carries this agent's update token.
bool CarriesOwnToken(const std::string& path, int kind) {
    if (kind == 2) {
        const std::unique_ptr<TGFileInfo> package = LoadPackageInfo(path);
        return package->UpdateToken(true) == OwnUpdateToken();
    }
    return InformBelongsTo(ParseInform(FileHead(path, kMaxInMemoryBytes)), OwnUpdateToken());
}

void TokenProgress() {
    TProgBar progress(MainWindowProgress());
    progress.Start(0, 10);
    for (int i = 0; i < 10; ++i) {
        PumpWait(300);
        progress.Step({});
    }
    progress.End();
}

int DecisionChain(bool downloaded) {
    AgentState& agent = Agent();
    ChainInputs in;
    in.infoDownloaded = downloaded;
    in.versionOriginal = OriginalNumber("VersionOriginal");
    in.versionNew = InfoNumber("NewSetup", "VersionNew");
    in.originalStamp = OriginalNumber("Stamp");
    in.infoStamp = InfoNumber("NewSetup", "Stamp");
    in.reAskInterval = OriginalNumber("ReAskSecondsInterval");
    in.reAskLast = OriginalNumber("ReAskSecondsLast");
    in.now = NowSeconds();
    in.interactive = agent.cycleMode == 1;
    in.validVersions = Info("NewSetup", "ValidVersions");
    in.sizeMatches = true;
    int step = DecisionStep(in);
    // The size is asked for only when everything before it passed.
    if (step == kChainPassed) {
        const bool inform = InfoNumber("General", "AutoInform") == 1;
        const int64_t expected = inform ? InfoNumber("AutoInform", "SizeOfInformFile")
                                        : InfoNumber("NewSetup", "SizeOfUpdateFile");
        const std::string name =
            inform ? Info("AutoInform", "NameOfInformFile") : Info("NewSetup", "NameOfUpdateFile");
        const std::string base =
            agent.testMode ? agent.testSource : Info("NewSetup", "DownloadURL_UPDATE");
        std::string location = base + "\\" + name;
        int64_t actual = -1;
        if (IsExistingFile(location)) {
            if (const auto reader = Win32FileReader::Open(location))
                actual = static_cast<int64_t>(reader->Size());
        } else if (!agent.testMode && IsConnected(nullptr)) {
            location = base + "/" + name;
            actual = HTTP_GetFileSize(location);
        }
        in.sizeMatches = SizeMatches(expected, actual);
        if (!in.sizeMatches) {
            Log("  InfoSize=" + std::to_string(expected));
            Log("  HttpSize=" + std::to_string(actual));
            Log("  URL=" + location);
        }
        step = DecisionStep(in);
    }
    TraceLine(Pid() + " GetOkToPerformAU=" + std::to_string(step));
    Log("GetOkToPerformAU = " + std::to_string(step) + " - " + DecisionText(step));
    return step;
}

bool CheckQuestion() {
    ReadTestMode(true);
    const AgentState& agent = Agent();
    const std::string source = agent.testMode ? agent.testSource : Stub().ownInfo->UpdateURL();
    const std::string text =
        CheckQuestionText(Text("s22"), Text("s23"), Text("s24"), source, agent.testMode,
                          ProfileText(OriginalFilePath(), "OriginalSetup", "ProgramName"));
    return ConfirmBox(BoxOwner(1), text, MsgBoxText("Confirm", "Confirm"), Charset(), Buttons());
}

void RestartAgent() {
    Log(".. ReStartAutoUpdateExe() - Start");
    const AgentState& agent = Agent();
    if (agent.stopCode <= 0) {
        const std::string program =
            AgentDirectory() + "\\" + std::string(FileNamePart(Stub().ownInfo->AgentExeName()));
        const std::string command =
            program + " /_ZZ=99 /WAIT=10 /TRANSIENT=" + TransientText(agent.transient);
        Log(".. WinExec - " + command);
        StartProgram(program, command, SW_HIDE);
        PumpWait(1000);
        Log(".. PostMessage(WM_DESTROY)");
        if (Stub().mainWindow) PostMessageA(Stub().mainWindow, WM_DESTROY, 0, 0);
    }
    Log(".. ReStartAutoUpdateExe() - End");
}

void Shot() {
    AgentState& agent = Agent();
    TraceLine(Pid() + " Fire  " + ReadableTime(LocalNow()));
    ReadTestMode(true);
    agent.cycleState = 1;
    PostToPeer(40, 1);
    std::string error;
    const bool downloaded =
        DownloadCycleFile(Stub().ownInfo->UpdateURL(), Stub().ownInfo->InfoFileName(), 1, &error);
    PostToPeer(40, 2);
    const int64_t now = NowSeconds();
    WriteTime("ProbeSecondsLast", "__ProbeSecondsLast", now);

    const int step = DecisionChain(downloaded);
    if (step == kChainPassed) {
        TraceLine(Pid() + " ==== PerformShot-1 ====");
        WriteTime("ReAskSecondsLast", "__ReAskSecondsLast", now);
        WriteProfileText(OriginalFilePath(), "OriginalSetup", "Stamp",
                         std::to_string(InfoNumber("NewSetup", "Stamp")));
        if (InfoNumber("General", "AutoInform") == 1)
            PerformAutoInform();
        else if (PerformAutoUpdate())
            RestartAgent();
        TraceLine(Pid() + " ==== PerformShot-2 ====");
    }
    if (agent.cycleMode != 1) return;
    PumpWait(1000);
    if (Stub().mainWindow) ShowWindow(Stub().mainWindow, SW_HIDE);
    if (step == kChainPassed) return;
    std::string connectionError;
    const bool connected = IsConnected(&connectionError);
    TraceLine(Pid() + " TestMode=" + TrueFalse(agent.testMode) +
              " InternetConnected=" + TrueFalse(connected));
    const std::string caption = MsgBoxText("Error", "Error");
    if (!agent.testMode && !connected) {
        std::string text = Text("s2");
        if (!connectionError.empty()) text += "<P><P>" + connectionError;
        ErrorBox(BoxOwner(0), text, caption, Charset(), Buttons());
    } else if (!agent.testMode && !error.empty()) {
        ErrorBox(BoxOwner(0), error, caption, Charset(), Buttons());
    } else {
        std::string text = Text("s21");
        char developer[16] = {};
        if (GetEnvironmentVariableA("DVX", developer, sizeof developer) &&
            std::string(developer) == kDeveloperCode)
            text += "<P><P>(" + std::to_string(step) + " - " + DecisionText(step) + ")   ";
        AttentionBox(BoxOwner(1), text, MsgBoxText("Attention", "Attention"), Charset(), Buttons());
    }
}

// Asks or informs as the information file says; true to go on.
bool Ask(bool confirm, bool force, const std::string& text) {
    if (!confirm || Agent().cycleMode == 1) return true;
    if (force) {
        AttentionBox(BoxOwner(2), text, MsgBoxText("Attention", "Attention"), Charset(), Buttons());
        return true;
    }
    return ConfirmBox(BoxOwner(0), text, MsgBoxText("Confirm", "Confirm"), Charset(), Buttons());
}

std::string ExpandedRunningProcess() {
    const std::string original = OriginalFilePath();
    InstallDirectories directories{ProfileText(original, "Directories", "TargetDir"),
                                   ProfileText(original, "Directories", "SharedDir"),
                                   ProfileText(original, "Directories", "AuxiliaryDir")};
    const std::string origin =
        HasStubSwitch("/OriginExe=") ? StubSwitchValue("/OriginExe=") : Stub().stubPath;
    const Win32MacroSource machine(Stub().stubPath, origin, directories);
    return ExpandMacros(Info("NewSetup", "RunningProcess"), "\\", false, true, machine);
}

}  // namespace

bool DownloadCycleFile(const std::string& baseLocation, const std::string& fileName, int kind,
                       std::string* error) {
    AgentState& agent = Agent();
    StubProcess& stub = Stub();
    error->clear();
    if (kind < 1 || kind > 3) return false;
    const std::string name(FileNamePart(fileName));
    const std::string base = agent.testMode ? agent.testSource : baseLocation;
    std::string location = base + "\\" + name;
    TraceLine(Pid() + " DownloadFileAU: " + location);
    Log(std::string("TestMode=") + TrueFalse(agent.testMode));
    Log("Download START: " + location);

    const bool show = kind == 2 && Setting(kConfirmDownload) && agent.cycleMode != 1;
    if (show && stub.mainWindow) ShowWindow(stub.mainWindow, SW_SHOW);
    static constexpr const char* kStatusKeys[] = {"s31", "s32", "s33"};
    static constexpr const char* kStatusTexts[] = {
        "Downloading INFO File...", "Downloading UPDATE File...", "Downloading INFORM File..."};
    SetStatus(Text(kStatusKeys[kind - 1], kStatusTexts[kind - 1]));

    const std::string target = AgentDirectory() + "\\" + name;
    std::string content;
    bool fetched = false;
    if (IsExistingFile(location)) {
        // Packages can be large: they are copied, not read into memory.
        if (kind == 1)
            content = FileHead(location, kMaxInMemoryBytes);
        else
            fetched = CopyFileA(location.c_str(), target.c_str(), FALSE) != 0;
        if (show) TokenProgress();
    } else if (!agent.testMode && IsConnected(nullptr)) {
        PumpWait(500);
        location = base + "/" + name;
        stub.stopRequested = false;
        TProgBar progress(MainWindowProgress());
        HTTP_DownloadFile_Incremental(agent.cycleMode == 1 ? stub.mainWindow : nullptr, location,
                                      kind == 1 ? std::string() : target, error, &progress,
                                      &content, stub.stopRequested);
        fetched = kind != 1 && error->empty() && IsExistingFile(target);
        PumpWait(500);
    }
    if (show && stub.mainWindow) ShowWindow(stub.mainWindow, SW_HIDE);
    Log("Download END:   " + location);

    bool success = false;
    if (kind == 1) {
        if (error->empty() && !content.empty())
            *error = ErrorPageMessage(content, location, true, "");
        success = error->empty() && !content.empty();
        WriteFileData(InfoFilePath(), content.data(), content.size(), 0, false);
        if (!error->empty() && error->front() == '3') error->clear();
    } else if (error->empty() && fetched) {
        success = CarriesOwnToken(target, kind);
        if (!success) {
            *error = ErrorPageMessage(FileHead(target, kErrorPageProbeBytes), location, false,
                                      "Bad Secret Token!");
            DeleteFileA(target.c_str());
            Log("ERROR: " + *error);
            ErrorBox(BoxOwner(0), *error, MsgBoxText("Error", "Error"), Charset(), Buttons());
        }
    }
    if (!error->empty() && location.size() > 2 && Setting(kConfirmDownload)) {
        const std::string message =
            stub.stopRequested
                ? Text("s3", "File Download Aborted!")
                : location + "<P><P>" +
                      (IsLocalLocation(location) ? Text("s4", "File not Found!")
                                                 : Text("s5", "Unable to Download File!"));
        Log("ATTENTION: " + message);
        AttentionBox(BoxOwner(0), message, MsgBoxText("Attention", "Attention"), Charset(),
                     Buttons());
    }
    return success;
}

bool PerformAutoInform() {
    Log("PerformAutoInform() - START ");
    TraceLine(Pid() + " ==== PerformAutoInform-1 ====");
    bool shown = false;
    const std::string base = Info("NewSetup", "DownloadURL_UPDATE");
    const std::string name = Info("AutoInform", "NameOfInformFile");
    if (!base.empty() && !name.empty()) {
        TraceLine(Pid() + " ==== PerformAutoInform-2 ====");
        Agent().cycleState = 2;
        PostToPeer(41, 1);
        std::string error;
        shown = DownloadCycleFile(base, name, 3, &error);
        PostToPeer(41, 2);
        if (shown) {
            TraceLine(Pid() + " ==== PerformAutoInform-3 ====");
            const InformFile inform = ParseInform(FileHead(
                AgentDirectory() + "\\" + std::string(FileNamePart(name)), kMaxInMemoryBytes));
            InformDialogSettings settings;
            settings.title = Text("s34", "New Version");
            settings.buttonCaption = Text("s35", "Download");
            settings.charset = Charset();
            settings.fontSize =
                static_cast<int>(ProfileNumber(OriginalFilePath(), "MsgBox", "FontSize", 8));
            settings.fontName = MsgBoxText("FontName", "Tahoma");
            settings.height = static_cast<int>(InfoNumber("AutoInform", "AutoInformH", 360));
            settings.width = static_cast<int>(InfoNumber("AutoInform", "AutoInformW", 360));
            settings.link = Info("AutoInform", "DownloadURL_INFORM");
            settings.text = inform.text;
            shown = ShowInformDialog(Stub().mainWindow, settings);
            if (shown)
                WriteProfileText(OriginalFilePath(), "OriginalSetup", "VersionOriginal",
                                 std::to_string(InfoNumber("NewSetup", "VersionNew")));
            TraceLine(Pid() + " ==== PerformAutoInform-4 ====");
        }
    }
    Log(std::string("PerformAutoInform() - END ") + TrueFalse(shown));
    return shown;
}

bool PerformAutoUpdate() {
    AgentState& agent = Agent();
    Log("PerformAutoUpdate() - START");
    TraceLine(Pid() + " ==== PerformAutoUpdate-4 ====");
    bool installed = false;
    const std::string base = Info("NewSetup", "DownloadURL_UPDATE");
    const std::string packageName = Info("NewSetup", "NameOfUpdateFile");
    if (!base.empty() && !packageName.empty()) {
        TraceLine(Pid() + " ==== PerformAutoUpdate-5 ====");
        const std::string programName = Info("NewSetup", "ProgramName");
        const UpdateTexts texts{Text("s11"), Text("s12"), Text("s13"), Text("s14"),
                                Text("s18"), Text("s19"), Text("s20")};
        const bool proceed = Ask(Setting(kConfirmDownload), Setting(kConfirmDownloadForce),
                                 DownloadQuestion(texts, Setting(kConfirmInstall),
                                                  Setting(kConfirmDownloadForce), programName));
        PumpWait(500);
        bool downloaded = false;
        if (proceed) {
            TraceLine(Pid() + " ==== PerformAutoUpdate-6 ====");
            agent.cycleState = 2;
            PostToPeer(41, 1);
            std::string error;
            downloaded = DownloadCycleFile(base, packageName, 2, &error);
            PostToPeer(41, 2);
        }
        const bool goOn =
            downloaded && Ask(Setting(kConfirmInstall), Setting(kConfirmInstallForce),
                              InstallQuestion(texts, Setting(kConfirmInstallForce), programName));
        PumpWait(100);
        if (goOn) {
            TraceLine(Pid() + " ==== PerformAutoUpdate-7 ====");
            const std::string program = ExpandedRunningProcess();
            const bool wasRunning = IsRunning(program);
            const std::string method = Info("NewSetup", "ShutDownMethod");
            Log("Shut Down Process() - START  (" + program + ")  Method: " + method);
            const ShutDownMethod how = ParseShutDownMethod(method);
            if (how == ShutDownMethod::kMessageBox) {
                const std::string text =
                    WithProgramName(Text("s15"), std::string(FileNamePart(program)));
                TraceLine("s1=" + text + "<");
                while (IsRunning(program))
                    AttentionBox(BoxOwner(0), text, MsgBoxText("Attention", "Attention"), Charset(),
                                 Buttons());
            }
            TraceLine(Pid() + " ==== PerformAutoUpdate-8 ====");
            if (how == ShutDownMethod::kClose) PostToMainWindow(program, WM_CLOSE, true);
            if (how == ShutDownMethod::kQuit) PostToMainWindow(program, WM_QUIT, true);
            if (how == ShutDownMethod::kTerminate) TerminateByPath(program, true);
            if (how != ShutDownMethod::kDontShutDown && wasRunning) WaitUntilEnded(program, 0);
            TraceLine(Pid() + " ==== PerformAutoUpdate-9 ====");
            Log("Shut Down Process() - END");
            const bool restart =
                Setting(kRestartProcess) && RestartState(wasRunning, IsRunning(program)) == 2;

            const std::string package =
                AgentDirectory() + "\\" + std::string(FileNamePart(packageName));
            const std::string parameters = "/OriginalInfoFile=\"" + InfoFilePath() + "\"";
            agent.cycleState = 3;
            PostToPeer(42, 1);
            TraceLine(Pid() + " ==== PerformAutoUpdate-10 ====");
            installed = ExtractAndRun(SetupDir(), package, Stub().ownInfo->AgentExeName(),
                                      parameters, !Setting(kBackgroundUpdate));
            RemoveTree(SetupDir(), true);
            TraceLine(Pid() + " ==== PerformAutoUpdate-11 ====");
            PostToPeer(42, 2);
            if (installed)
                WriteProfileText(OriginalFilePath(), "OriginalSetup", "VersionOriginal",
                                 std::to_string(InfoNumber("NewSetup", "VersionNew")));
            DeleteFileA(package.c_str());

            const std::string report = WithProgramName(Text("s16"), programName);
            bool launch = true;
            if (installed && (Setting(kInformFinish) || agent.cycleMode == 1)) {
                if (restart)
                    launch = ConfirmBox(BoxOwner(1), report + Text("s17"),
                                        MsgBoxText("Confirm", "Confirm"), Charset(), Buttons());
                else
                    AttentionBox(BoxOwner(1), report, MsgBoxText("Attention", "Attention"),
                                 Charset(), Buttons());
            }
            TraceLine(Pid() + " ==== PerformAutoUpdate-12 ====");
            TraceLine(std::string(TrueFalse(restart)) + " " + TrueFalse(launch) + " >" + program +
                      "<");
            if (restart && launch) StartProgram("", program, SW_SHOWNORMAL);
        }
    }
    TraceLine(Pid() + " ==== PerformAutoUpdate-13 ====");
    Log(std::string("PerformAutoUpdate() - END    Result=") + TrueFalse(installed));
    return installed;
}

void AgentCycleTick() {
    AgentState& agent = Agent();
    if (agent.busy) return;
    agent.busy = true;
    if (agent.infoOnlyRequested) {
        TraceLine("-------------- JustDownloadInfoFile ---------------");
        agent.infoOnlyRequested = false;
        PostToPeer(40, 1);
        std::string error;
        DownloadCycleFile(Stub().ownInfo->UpdateURL(), Stub().ownInfo->InfoFileName(), 1, &error);
        PostToPeer(40, 2);
    } else {
        MessageBoxSettings& box = BoxSettings();
        box.fontName = MsgBoxText("FontName", "Tahoma");
        box.fontSize = static_cast<int>(ProfileNumber(OriginalFilePath(), "MsgBox", "FontSize", 8));
        box.charset = Charset();
        agent.cycleState = 0;
        if (agent.cycleMode == 2) agent.cycleMode = 1;
        if (agent.cycleMode == 1) agent.tickCounter = 0;
        if (agent.stopCode == 0) PostQuitMessage(0);
        if (agent.stopCode >= 0) --agent.stopCode;
        ++agent.tickCounter;
        TraceLine(Pid() + " AutoUpdateTimerCount=" + std::to_string(agent.tickCounter));
        if (agent.tickCounter > 0) {
            ReadTestMode(false);
            ShotInputs in;
            in.probingEnabled = agent.probingEnabled;
            in.cycleRequested = agent.cycleRequested;
            in.testMode = agent.testMode;
            in.probeInterval = OriginalNumber("ProbeSecondsInterval");
            in.probeLast = OriginalNumber("ProbeSecondsLast");
            in.now = NowSeconds();
            int status = ShotStatus(in);
            agent.cycleRequested = false;
            TraceLine(Pid() + " ShotTimeStatus=" + std::to_string(status));
            if (status == 2) agent.probingEnabled = false;
            if (status > 0 && (agent.cycleMode == 1 || agent.transient[kImmediateUpdate] == 1) &&
                !CheckQuestion())
                status = 0;
            if (status > 0) Shot();
            if (agent.cycleMode == 1) agent.cycleMode = 0;
        }
    }
    agent.cycleState = 0;
    agent.busy = false;
}
