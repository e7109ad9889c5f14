// The installed agent end to end: the plain agent makes and starts its X_ copy and forwards its
// command line's requests; the X_ agent registers a peer window, answers the control messages
// from its files, and ends on a stop request, deleting its own file.
#include <gtest/gtest.h>

#include <algorithm>

#include "stub/package/package_token.h"
#include "stub/package/package_trailer.h"
#include "stub/run/local_time.h"
#include "stub/testing/http_server.h"
#include "stub/testing/screenshot.h"
#include "stub/testing/stub_test_support.h"

namespace {

constexpr DWORD kRunTimeout = 90000;
constexpr UINT kPeerMessage = WM_APP + 7;
constexpr UINT kAgentMessage = 1125;

std::vector<std::pair<WPARAM, LPARAM>> peerNotes;

LRESULT CALLBACK PeerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPeerMessage) {
        peerNotes.emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of the test that the agent reports to.
HWND MakePeer() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = PeerProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "AgentTestPeer";
    RegisterClassA(&cls);
    return CreateWindowExA(0, "AgentTestPeer", "peer", 0, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Pumps the test's messages until the peer has heard `code`, or the time is up.
bool PeerHears(WPARAM code, DWORD milliseconds, LPARAM* value = nullptr) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        for (const auto& [heard, heardValue] : peerNotes) {
            if (heard != code) continue;
            if (value) *value = heardValue;
            return true;
        }
        Sleep(50);
    }
    return false;
}

// Test mode for today with `source` as the test source.
void SetTestMode(const std::string& source) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string today = ReadableDate({now.wYear, now.wMonth, now.wDay, 0, 0, 0});
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, R"(Software\Marrowind\Wyvern\AutoUpdate)", 0, nullptr, 0,
                    KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"TestMode", "1"},
                                      {"TestModeDate", today},
                                      {"TestModeURL", source}})
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

// No test mode: a test-mode test of the same run may have left it on.
void ClearTestMode() {
    RegDeleteKeyExA(HKEY_CURRENT_USER, R"(Software\Marrowind\Wyvern\AutoUpdate)", KEY_WOW64_64KEY,
                    0);
}

// An installed agent with its original file, in box\agent. Agents of one test process get names
// of their own: an X_ agent of the same name still running would take their requests.
std::string InstallAgent(const Sandbox& box, const std::string& updateUrl,
                         const std::string& original, const std::string& name) {
    if (!box.Exists("agent")) box.MakeDirectory("agent");
    Manifest manifest = EngineManifest();
    manifest.entries.clear();
    manifest.isAgent = 1;
    manifest.agentExe = name;
    manifest.infoFile = "Tool.info";
    manifest.updateUrl = updateUrl;
    manifest.updateToken = "tool-update-token";
    manifest.flags |= kAgentLog;
    const std::string agent = box.Path("agent\\" + name);
    BuildStubPackage(manifest, agent);
    box.Write("agent\\Tool.original", original);
    return agent;
}

// Waits until the file holds `text`; answers its last content.
std::string WaitForText(const Sandbox& box, const std::string& name, const std::string& text) {
    std::string content;
    for (int i = 0; i < 600; ++i) {
        content = box.Exists(name) ? box.Read(name) : std::string();
        if (content.find(text) != std::string::npos) break;
        Sleep(100);
    }
    return content;
}

LRESULT Ask(HWND agent, WPARAM code, LPARAM argument = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(agent, kAgentMessage, code, argument, SMTO_ABORTIFHUNG, 10000, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

TEST(StubAgentTest, PlainAgentStartsTheXAgentWhichAnswersAndStops) {
    Sandbox box;
    box.MakeDirectory("agent");
    Manifest manifest = EngineManifest();
    manifest.entries.clear();
    manifest.isAgent = 1;
    manifest.agentExe = "ToolAgent.exe";
    manifest.infoFile = "Tool.info";
    manifest.flags |= kAgentLog;
    const std::string agent = box.Path("agent\\ToolAgent.exe");
    BuildStubPackage(manifest, agent);
    box.Write("agent\\Tool.original",
              "[OriginalSetup]\r\nVersionOriginal=120\r\nProbeSecondsInterval=-1\r\n");
    box.Write("agent\\Tool.info", "[NewSetup]\r\nVersionNew=121\r\n");

    peerNotes.clear();
    const HWND peer = MakePeer();
    ASSERT_NE(peer, nullptr);
    const std::string registration =
        "/WM_MSG=" + std::to_string(reinterpret_cast<uintptr_t>(peer)) + ":" +
        std::to_string(kPeerMessage);
    {
        StubProcessRun plain(agent, registration, StubEnvironment(box));
        DWORD code = 1;
        ASSERT_TRUE(plain.Wait(kRunTimeout, code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(box.Read("agent\\X_ToolAgent.exe"), box.Read("agent\\ToolAgent.exe"));

    // Registration: the agent's window, then its command message.
    LPARAM window = 0;
    ASSERT_TRUE(PeerHears(50, 20000, &window));
    LPARAM command = 0;
    ASSERT_TRUE(PeerHears(51, 5000, &command));
    EXPECT_EQ(command, static_cast<LPARAM>(kAgentMessage));
    const HWND xAgent = reinterpret_cast<HWND>(window);
    char cls[64] = {};
    GetClassNameA(xAgent, cls, sizeof cls);
    EXPECT_STREQ(cls, ".AutoUpdate.X_ToolAgent");

    // Getters read the files; setters write them, the readable time beside the number.
    EXPECT_EQ(Ask(xAgent, 4), 120);
    EXPECT_EQ(Ask(xAgent, 5), 121);
    EXPECT_EQ(Ask(xAgent, 8), -1);
    EXPECT_EQ(Ask(xAgent, 12, 3600), 0);
    EXPECT_EQ(Ask(xAgent, 8), 3600);
    EXPECT_EQ(Ask(xAgent, 14, 4006170309), 0);
    EXPECT_EQ(Ask(xAgent, 10), 4006170309);
    EXPECT_EQ(Ask(xAgent, 7), 0);
    EXPECT_EQ(Ask(xAgent, 6), 0);
    EXPECT_EQ(Ask(xAgent, 16, 5), 0);
    const std::string original = box.Read("agent\\Tool.original");
    EXPECT_NE(original.find("ProbeSecondsInterval=3600"), std::string::npos) << original;
    EXPECT_NE(original.find("__ProbeSecondsLast=11-DEC-2026 17:05:09"), std::string::npos)
        << original;

    // A second plain agent forwards a stop: the X_ agent ends, tells the peer and deletes itself.
    {
        StubProcessRun plain(agent, "/STOP=0", StubEnvironment(box));
        DWORD code = 1;
        ASSERT_TRUE(plain.Wait(kRunTimeout, code));
    }
    EXPECT_TRUE(PeerHears(43, 30000));
    EXPECT_TRUE(WaitForPath(box.Path("agent\\X_ToolAgent.exe"), false, 30000));
    EXPECT_TRUE(box.Exists("agent\\ToolAgent.exe"));

    const std::string log = box.Read("agent\\X_ToolAgent.log");
    EXPECT_NE(log.find("   CreateAndRun_X_Exe() --- Start\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" X WinMain\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("PostProcessMessage(wm_ShutDown) to: " + box.Path("agent\\X_ToolAgent.exe")),
              std::string::npos)
        << log;
    DestroyWindow(peer);
}

// A whole cycle against an update site: the X_ agent probes when due, finds a newer version,
// downloads the package, checks its token, installs it through the engine and records the version.
TEST(StubAgentTest, DueProbeDownloadsAndInstallsANewerVersion) {
    ClearTestMode();
    Sandbox box;
    box.MakeDirectory("agent");
    box.MakeDirectory("built");
    Manifest update = EngineManifest();
    update.updateToken = "tool-update-token";
    AddDataEntry(update, box, "notes.txt", "version 121");
    BuildStubPackage(update, box.Path("built\\update.exe"));
    const std::string package = box.Read("built\\update.exe");

    TestHttpServer server({HttpRoute("/upd/update.exe", package)});
    ASSERT_TRUE(server.listening());
    const std::string info =
        "[NewSetup]\r\nDownloadURL_UPDATE=" + server.Url("/upd") +
        "\r\nNameOfUpdateFile=update.exe\r\nSizeOfUpdateFile=" + std::to_string(package.size()) +
        "\r\nVersionNew=121\r\nStamp=7\r\nBackgroundUpdate=1\r\n";
    TestHttpServer site({HttpRoute("/upd/Tool.info", info)});

    Manifest manifest = EngineManifest();
    manifest.entries.clear();
    manifest.isAgent = 1;
    manifest.agentExe = "ToolAgent.exe";
    manifest.infoFile = "Tool.info";
    manifest.updateUrl = site.Url("/upd");
    manifest.updateToken = "tool-update-token";
    manifest.flags |= kAgentLog;
    const std::string agent = box.Path("agent\\ToolAgent.exe");
    BuildStubPackage(manifest, agent);
    box.Write("agent\\Tool.original",
              "[OriginalSetup]\r\nVersionOriginal=120\r\nProbeSecondsInterval=0\r\n");

    Environment environment = StubEnvironment(box);
    environment.push_back({"WYVERN_ENGINE_ATOM", "delete"});
    StubProcessRun plain(agent, "", environment);
    DWORD code = 1;
    ASSERT_TRUE(plain.Wait(kRunTimeout, code));

    ASSERT_TRUE(WaitForPath(box.Path("record.txt"), true, 60000));
    const std::string record = box.Read("record.txt");
    EXPECT_NE(RecordValue(record, "CommandLine")
                  .find("/OriginalInfoFile=\"" + box.Path("agent\\Tool.info") + "\""),
              std::string::npos)
        << record;
    std::string original;
    for (int i = 0; i < 300; ++i) {
        original = box.Read("agent\\Tool.original");
        if (original.find("VersionOriginal=121") != std::string::npos) break;
        Sleep(100);
    }
    EXPECT_NE(original.find("VersionOriginal=121"), std::string::npos) << original;
    EXPECT_NE(original.find("Stamp=7"), std::string::npos) << original;
    EXPECT_NE(original.find("__ProbeSecondsLast="), std::string::npos) << original;
    EXPECT_EQ(site.Requests(), std::vector<std::string>{"GET /upd/Tool.info HTTP/1.1"});
    const std::vector<std::string> requests = server.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "GET /upd/update.exe HTTP/1.1"), 3)
        << "two for the size, one for the package";
    EXPECT_TRUE(WaitForPath(box.Path("agent\\update.exe"), false, 20000));
    const std::string log = box.Read("agent\\X_ToolAgent.log");
    EXPECT_NE(log.find("GetOkToPerformAU = 6 - OK"), std::string::npos) << log;
    EXPECT_NE(log.find("PerformAutoUpdate() - END    Result=TRUE"), std::string::npos) << log;
}

// Test mode takes every file from a local directory. The update stops the running program by
// WM_CLOSE to its main window, installs, and starts the program again.
TEST(StubAgentTest, TestModeUpdateClosesTheRunningProgramAndStartsItAgain) {
    Sandbox box;
    box.MakeDirectory("site");
    box.MakeDirectory("built");
    Manifest update = EngineManifest();
    update.updateToken = "tool-update-token";
    BuildStubPackage(update, box.Path("built\\update.exe"));
    const std::string package = box.Read("built\\update.exe");
    box.Write("site\\update.exe", package);
    box.Write("site\\Tool.info",
              "[NewSetup]\r\nDownloadURL_UPDATE=http://127.0.0.1:9/unused\r\n"
              "NameOfUpdateFile=update.exe\r\nSizeOfUpdateFile=" +
                  std::to_string(package.size() + 60) +
                  "\r\nVersionNew=121\r\nStamp=3\r\nBackgroundUpdate=1\r\n"
                  "ShutDownMethod=Using WM_CLOSE\r\nRestartProcess=1\r\n"
                  "RunningProcess=<SrcDir>App.exe\r\n");
    SetTestMode(box.Path("site"));
    const std::string agent =
        InstallAgent(box, "http://127.0.0.1:9/nowhere",
                     "[OriginalSetup]\r\nVersionOriginal=120\r\nProbeSecondsInterval=0\r\n",
                     "TestModeAgent.exe");

    // The program the update replaces, running from the agent's directory.
    const std::string app = box.Path("agent\\App.exe");
    ASSERT_TRUE(CopyFileA(BinProgram("wyvern_window_program.exe").c_str(), app.c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + app + "\" " + box.Path("closed.txt") + " " + box.Path("up.txt");
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(WaitForPath(box.Path("up.txt"), true, 20000));

    Environment environment = StubEnvironment(box);
    environment.push_back({"WYVERN_ENGINE_ATOM", "delete"});
    StubProcessRun plain(agent, "", environment);
    DWORD code = 1;
    ASSERT_TRUE(plain.Wait(kRunTimeout, code));

    EXPECT_EQ(WaitForText(box, "closed.txt", "main"), "main 16\n");
    EXPECT_TRUE(WaitForPath(box.Path("record.txt"), true, 60000));
    const std::string original = WaitForText(box, "agent\\Tool.original", "VersionOriginal=121");
    EXPECT_NE(original.find("VersionOriginal=121"), std::string::npos) << original;
    // Started again without arguments, it marks itself beside its executable.
    EXPECT_TRUE(WaitForPath(app + ".ready", true, 30000));
    EXPECT_TRUE(box.Exists("site\\update.exe"));
}

// Inform mode: the inform file's text is shown in the inform dialog and the offered version is
// recorded; a file with another token is refused with its message and deleted.
TEST(StubAgentTest, InformModeShowsTheNewsOnlyWithTheAgentsToken) {
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own);
        Sandbox box;
        box.MakeDirectory("site");
        const std::string token = EncodeToken(own ? "tool-update-token" : "other-token", 5);
        const std::string news = "v|" + token + "|a|b|Version 121 fixes the flash.";
        box.Write("site\\news.txt", news);
        box.Write("site\\Tool.info",
                  "[NewSetup]\r\nDownloadURL_UPDATE=unused\r\nVersionNew=121\r\nStamp=4\r\n"
                  "[General]\r\nAutoInform=1\r\n[AutoInform]\r\nNameOfInformFile=news.txt\r\n"
                  "SizeOfInformFile=" +
                      std::to_string(news.size()) + "\r\nAutoInformW=400\r\nAutoInformH=250\r\n");
        SetTestMode(box.Path("site"));
        const std::string agent = InstallAgent(
            box, "unused", "[OriginalSetup]\r\nVersionOriginal=120\r\nProbeSecondsInterval=0\r\n",
            own ? "InformAgent.exe" : "ForeignAgent.exe");
        StubProcessRun plain(agent, "", StubEnvironment(box));
        DWORD code = 1;
        ASSERT_TRUE(plain.Wait(kRunTimeout, code));

        if (own) {
            HWND dialog = nullptr;
            for (int i = 0; i < 600 && !dialog; ++i, Sleep(100))
                dialog = FindWindowA("WyvernRichEditBox", nullptr);
            ASSERT_NE(dialog, nullptr) << box.Read("agent\\X_InformAgent.log");
            char title[64] = {};
            GetWindowTextA(dialog, title, sizeof title);
            EXPECT_STREQ(title, "New Version");
            // Without a link the text field is the dialog's only child.
            const HWND field = GetWindow(dialog, GW_CHILD);
            char text[256] = {};
            SendMessageA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "Version 121 fixes the flash.");
            SaveWindowPng(dialog, ScreenshotPath("agent-inform"));
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            const std::string original =
                WaitForText(box, "agent\\Tool.original", "VersionOriginal=121");
            EXPECT_NE(original.find("VersionOriginal=121"), std::string::npos) << original;
        } else {
            const BoxRecord refusal = AnswerBox(0, "enter", "agent-inform-bad-token");
            ASSERT_NE(refusal.window, nullptr);
            EXPECT_NE(refusal.text.find("Bad Secret Token!"), std::string::npos) << refusal.text;
            EXPECT_TRUE(WaitForPath(box.Path("agent\\news.txt"), false, 10000));
            EXPECT_NE(box.Read("agent\\Tool.original").find("VersionOriginal=120"),
                      std::string::npos);
        }
    }
}

// An interactive check (/TEST=2): the agent asks first, probes, and says why there is no update;
// started this way it also ends two ticks later.
TEST(StubAgentTest, InteractiveCheckAsksProbesAndExplainsTheAbsenceOfAnUpdate) {
    ClearTestMode();
    Sandbox box;
    TestHttpServer site(
        {HttpRoute("/upd/Tool.info", "[NewSetup]\r\nVersionNew=120\r\nStamp=9\r\n")});
    const std::string agent = InstallAgent(
        box, site.Url("/upd"),
        "[OriginalSetup]\r\nVersionOriginal=120\r\nProbeSecondsInterval=-1\r\nProgramName=Tool\r\n"
        "[AutoUpdate]\r\ns21=<b>SORRY</b><p><p>No new Update is available!\r\n"
        "s22=<b>NEW UPDATE</b><p><p>Check for: <b>PROG_NAME</b><p>\r\n"
        "s23=Please make sure your Internet connection is properly set.<p>\r\n"
        "s24=<p>Do you want to check and install the new Update?\r\n",
        "CheckAgent.exe");
    Environment environment = StubEnvironment(box);
    environment.push_back({"DVX", "731"});
    StubProcessRun plain(agent, "/TEST=2", environment);
    DWORD code = 1;
    ASSERT_TRUE(plain.Wait(kRunTimeout, code));

    const BoxRecord question = AnswerBox(0, "y", "agent-check-question");
    ASSERT_NE(question.window, nullptr);
    EXPECT_NE(question.text.find("Check for: Tool"), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("Internet connection"), std::string::npos) << question.text;
    const BoxRecord answer = AnswerBox(0, "enter", "agent-no-update");
    ASSERT_NE(answer.window, nullptr);
    EXPECT_NE(answer.text.find("No new Update is available!"), std::string::npos) << answer.text;
    EXPECT_NE(answer.text.find("(3 - New version is not higher then old version)"),
              std::string::npos)
        << answer.text;
    EXPECT_EQ(site.Requests(), std::vector<std::string>{"GET /upd/Tool.info HTTP/1.1"});
    EXPECT_TRUE(WaitForPath(box.Path("agent\\X_CheckAgent.exe"), false, 30000));
}
