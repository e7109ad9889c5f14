// Each kind of box shown for real on the test's display, while a second thread plays the user:
// it records what the box shows, takes its picture and answers through the keyboard.
#include "stub/win/message_box.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>

#include "stub/testing/box_answerer.h"
#include "stub/testing/screenshot.h"

namespace {

std::string ScreenshotDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    directory.resize(directory.find_last_of("\\/") + 1);
    directory += "screenshots";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

struct Seen {
    bool found = false;
    bool gone = false;
    BoxRecord record;
    std::string bold;  // per character of the field: 'B' bold, '.' not, ' ' a line end
    int lineCount = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    bool closeGreyed = false;
    RgbImage picture;
    POINT clientOrigin{0, 0};  // in the picture
    RECT client{};
};

// Bold or not for every character of the field, read back from the control. Line ends are left
// out: the control reports them in the format of the run before.
std::string BoldCharacters(HWND field, const std::string& text) {
    std::string marks;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            marks += ' ';
            continue;
        }
        CHARRANGE range{static_cast<LONG>(i), static_cast<LONG>(i + 1)};
        SendMessageA(field, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        SendMessageA(field, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        marks += (format.dwEffects & CFE_BOLD) ? 'B' : '.';
    }
    return marks;
}

// The marks BoldCharacters should read for `text` with these bold runs.
std::string Marks(std::string_view text, std::initializer_list<std::pair<size_t, size_t>> runs) {
    std::string marks;
    for (size_t i = 0; i < text.size(); ++i) {
        bool bold = false;
        for (const auto& [start, end] : runs) bold = bold || (i >= start && i < end);
        marks += text[i] == '\r' || text[i] == '\n' ? ' ' : bold ? 'B' : '.';
    }
    return marks;
}

// The user for the next box of this process: starts looking at once, answers with `answer`
// ("y", "enter", "tab+enter", ...) and saves screenshots/msgbox-<kind>.png. Returns once the
// user's thread has made its first window call: under Wine, that call deadlocks now and then
// when it runs while the test thread opens its first box.
std::future<Seen> AnswerNextBox(const std::string& answer, const std::string& kind) {
    std::promise<void> looking;
    std::future<void> started = looking.get_future();
    auto user = std::async(std::launch::async, [answer, kind, &looking] {
        Seen seen;
        Answer parsed;
        const bool parsedOk = ParseAnswer(answer, &parsed);
        FindBox(GetCurrentProcessId());
        looking.set_value();
        if (!parsedOk) return seen;
        const HWND box = WaitForBox(GetCurrentProcessId(), 20000);
        if (!box) {
            // A box that comes later still has to go, or the test thread waits in it forever.
            const HWND late = WaitForBox(GetCurrentProcessId(), 60000);
            if (late) PostMessageA(late, WM_CLOSE, 0, 0);
            return seen;
        }
        seen.found = true;
        seen.record = RecordBox(box);
        seen.owner = GetWindow(box, GW_OWNER);
        if (seen.owner) seen.ownerEnabled = IsWindowEnabled(seen.owner);
        seen.closeGreyed =
            (GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
        GetClientRect(box, &seen.client);
        ClientToScreen(box, &seen.clientOrigin);
        seen.clientOrigin.x -= seen.record.windowRect.left;
        seen.clientOrigin.y -= seen.record.windowRect.top;
        CaptureWindow(box, &seen.picture);
        SaveWindowPng(box, ScreenshotDirectory() + "\\msgbox-" + kind + ".png");
        if (seen.record.field) {
            seen.lineCount =
                static_cast<int>(SendMessageA(seen.record.field, EM_GETLINECOUNT, 0, 0));
            seen.bold = BoldCharacters(seen.record.field, seen.record.text);
        }
        PressAnswer(box, parsed);
        seen.gone = WaitUntilGone(box, 20000);
        // Never leave the test thread inside a box nobody answers.
        if (!seen.gone) PostMessageA(box, WM_CLOSE, 0, 0);
        return seen;
    });
    started.wait();
    return user;
}

std::vector<std::string> Captions(std::initializer_list<const char*> captions) {
    return {captions.begin(), captions.end()};
}

// The colour (0xRRGGBB) at a client-area point of the box's picture.
uint32_t ClientPixel(const Seen& seen, int x, int y) {
    const size_t px = static_cast<size_t>(seen.clientOrigin.x + x);
    const size_t py = static_cast<size_t>(seen.clientOrigin.y + y);
    if (px >= static_cast<size_t>(seen.picture.width) ||
        py >= static_cast<size_t>(seen.picture.height))
        return 0xFFFFFFFF;
    const uint8_t* p = seen.picture.rgb.data() + (py * seen.picture.width + px) * 3;
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

uint32_t SystemColour(int index) {
    const COLORREF c = GetSysColor(index);
    return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// A top-level window of the test thread, active, to own boxes.
class OwnerWindow {
  public:
    OwnerWindow() {
        window_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(window_);
        SetActiveWindow(window_);
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

}  // namespace

class MessageBoxTest : public testing::Test {
  protected:
    void TearDown() override { BoxSettings() = MessageBoxSettings{}; }
};

TEST_F(MessageBoxTest, ErrorBoxWithoutOwnerHeadsTheTextWithItsCaption) {
    auto user = AnswerNextBox("enter", "error");
    ErrorBox(BoxOwner(0), "Unable to create Directory!", "", 0, "");
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.gone);
    EXPECT_EQ(seen.record.caption, "ERROR");
    EXPECT_EQ(seen.record.text, "ERROR\r\n\r\nUnable to create Directory!\r\n");
    EXPECT_EQ(seen.bold, Marks(seen.record.text, {{0, 5}}));
    EXPECT_EQ(seen.record.buttons, Captions({"&OK"}));
    EXPECT_EQ(seen.record.focusedButton, 0);
    EXPECT_EQ(seen.record.fieldStyle & ES_RIGHT, 0);
    EXPECT_EQ(seen.record.fieldExStyle & WS_EX_RTLREADING, 0);

    // The look: white field area, the blue band on the left, the etched line and the grey
    // button band with the button at the right.
    const int bottom = seen.client.bottom;
    const int right = seen.client.right;
    EXPECT_EQ(ClientPixel(seen, 60, 5), SystemColour(COLOR_WINDOW));
    EXPECT_EQ(ClientPixel(seen, 2, 5), 0x004E98u);
    EXPECT_EQ(ClientPixel(seen, 53, bottom - 38), 0x004E98u);
    EXPECT_EQ(ClientPixel(seen, 54, bottom - 38), SystemColour(COLOR_WINDOW));
    EXPECT_EQ(ClientPixel(seen, 2, bottom - 37), SystemColour(COLOR_BTNSHADOW));
    EXPECT_EQ(ClientPixel(seen, 2, bottom - 36), SystemColour(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(ClientPixel(seen, 2, bottom - 2), SystemColour(COLOR_BTNFACE));
    EXPECT_EQ(ClientPixel(seen, right - 5, bottom - 2), SystemColour(COLOR_BTNFACE));
    // The icon sits in the band.
    EXPECT_NE(ClientPixel(seen, 11 + 16, 20 + 16), 0x004E98u);
}

TEST_F(MessageBoxTest, ConfirmBoxAnswersByTypedLetterEnterOrTab) {
    const struct {
        const char* answer;
        bool yes;
    } cases[] = {
        {"y", true}, {"N", false}, {"enter", true}, {"tab+enter", false}, {"key:n", false}};
    for (const auto& c : cases) {
        auto user = AnswerNextBox(c.answer, "confirm");
        const bool yes = ConfirmBox(BoxOwner(0), "Continue with Setup?", "Confirm", 0, "");
        const Seen seen = user.get();
        ASSERT_TRUE(seen.found) << c.answer;
        EXPECT_TRUE(seen.gone) << c.answer;
        EXPECT_EQ(yes, c.yes) << c.answer;
        EXPECT_EQ(seen.record.text, "CONFIRM\r\n\r\nContinue with Setup?\r\n");
        EXPECT_EQ(seen.bold, Marks(seen.record.text, {{0, 7}}));
        EXPECT_EQ(seen.record.buttons, Captions({"&Yes", "&No"}));
        EXPECT_EQ(seen.record.focusedButton, 0);
    }
}

TEST_F(MessageBoxTest, OkCancelBoxTakesTheOwnersPlaceAndCaptions) {
    OwnerWindow owner;
    const struct {
        const char* answer;
        bool ok;
    } cases[] = {{"enter", true}, {"a", false}, {"key:w", true}};
    for (const auto& c : cases) {
        auto user = AnswerNextBox(c.answer, "okcancel");
        const bool ok =
            OkCancelBox(BoxOwner(1), "Please insert DISK #2", "Disk", 0, "|&Weiter|&Abbrechen|");
        const Seen seen = user.get();
        ASSERT_TRUE(seen.found) << c.answer;
        EXPECT_EQ(ok, c.ok) << c.answer;
        // Owner 1: the active window owns the box and is disabled while it is up.
        EXPECT_EQ(seen.owner, owner.get());
        EXPECT_FALSE(seen.ownerEnabled);
        EXPECT_TRUE(IsWindowEnabled(owner.get()));
        EXPECT_EQ(seen.record.caption, "Disk");
        EXPECT_EQ(seen.record.text, "Please insert DISK #2");
        EXPECT_EQ(seen.record.buttons, Captions({"&Weiter", "&Abbrechen"}));
    }
}

TEST_F(MessageBoxTest, OwnerTwoGreysTheCloseItem) {
    OwnerWindow owner;
    auto user = AnswerNextBox("n", "owner2");
    const bool yes = ConfirmBox(BoxOwner(2), "Stop the program?", "", 0, "");
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(yes);
    EXPECT_TRUE(seen.closeGreyed);
    EXPECT_EQ(seen.owner, owner.get());
    EXPECT_EQ(seen.record.caption, "Confirm");
    EXPECT_EQ(seen.record.text, "Stop the program?");
}

TEST_F(MessageBoxTest, AttentionBoxClosesItselfAfterItsTimeout) {
    auto user = AnswerNextBox("none", "attention");
    const auto start = std::chrono::steady_clock::now();
    AttentionBox(BoxOwner(0), "Please insert <B>DISK #2</B> and press OK to continue", "", 0, "",
                 1500);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.gone);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1500));
    EXPECT_EQ(seen.record.caption, "ATTENTION");
    EXPECT_EQ(seen.record.text,
              "ATTENTION\r\n\r\nPlease insert DISK #2 and press OK to continue\r\n");
    const size_t disk = seen.record.text.find("DISK");
    EXPECT_EQ(seen.bold, Marks(seen.record.text, {{0, 9}, {disk, disk + 7}}));
}

TEST_F(MessageBoxTest, ResultCodes) {
    const struct {
        const char* kind;
        UINT flags;
        DWORD timeout;
        const char* answer;
        int result;
        std::vector<std::string> buttons;
        int focused;
    } cases[] = {
        // The timeout answers with the first button, whichever is the default.
        {"timeout", 0x124, 300, "none", 6, {"&Yes", "&No"}, 1},
        {"closed", 0x4, 0, "close", 0, {"&Yes", "&No"}, 0},
        {"set2", 0x212, 0, "enter", 5, {"&Abort", "&Retry", "&Ignore"}, 2},
        {"set2", 0x12, 0, "r", 4, {"&Abort", "&Retry", "&Ignore"}, 0},
        {"set3", 0x123, 0, "tab+enter", 2, {"&Yes", "&No", "&Cancel"}, 1},
        {"set3", 0x23, 0, "key:c", 2, {"&Yes", "&No", "&Cancel"}, 0},
        // Focus moves wrap at both ends.
        {"set3", 0x3, 0, "left+enter", 2, {"&Yes", "&No", "&Cancel"}, 0},
        {"set3", 0x203, 0, "right+enter", 6, {"&Yes", "&No", "&Cancel"}, 2},
        {"set3", 0x3, 0, "down+down+up+enter", 7, {"&Yes", "&No", "&Cancel"}, 0},
        {"set5", 0x5, 0, "enter", 4, {"&Retry", "&Cancel"}, 0},
        {"nobuttons", 0x6, 300, "none", 0, {}, -1},
    };
    for (const auto& c : cases) {
        auto user = AnswerNextBox(c.answer, c.kind);
        const int result =
            ShowRichMessage(nullptr, "Choose.", "Result", c.timeout, c.flags, kDefaultButtonText);
        const Seen seen = user.get();
        ASSERT_TRUE(seen.found) << c.kind;
        EXPECT_EQ(result, c.result) << c.kind << " " << c.answer;
        EXPECT_EQ(seen.record.buttons, c.buttons) << c.kind;
        EXPECT_EQ(seen.record.focusedButton, c.focused) << c.kind;
    }
}

TEST_F(MessageBoxTest, BoldMarkupInTheField) {
    auto user = AnswerNextBox("enter", "bold");
    const int result = ShowRichMessage(
        nullptr,
        "<b>INTERNET DOWNLOAD</b><p><p>Wyvern will download the Setup File from the "
        "Internet...<p><P>Size: <B>12.5</b> MB<P>A<B>B",
        "Setup", 0, 0x24, kDefaultButtonText);
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDYES);
    const std::string text =
        "INTERNET DOWNLOAD\r\n\r\nWyvern will download the Setup File from the Internet...\r\n"
        "\r\nSize: 12.5 MB\r\nAB";
    EXPECT_EQ(seen.record.text, text);
    const size_t size = text.find("12.5");
    EXPECT_EQ(seen.bold, Marks(text, {{0, 17}, {size, size + 4}}));
    EXPECT_GE(seen.lineCount, 6);
}

TEST_F(MessageBoxTest, LongLineWrapsInAFieldOf600Pixels) {
    auto user = AnswerNextBox("enter", "long");
    const std::string text(2000, 'x');
    ShowRichMessage(nullptr, text, "Long", 0, 0x40, kDefaultButtonText);
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.record.text, text);
    // 600 plus the field's margin; the box around it adds frames, margins and the band.
    EXPECT_EQ(Width(seen.record.fieldRect), 610);
    EXPECT_EQ(Width(seen.record.windowRect),
              610 + 2 * GetSystemMetrics(SM_CXDLGFRAME) + 2 * 32 + 54);
    // Every wrapped line fits in the field's height.
    ASSERT_GT(seen.lineCount, 4);
    HDC dc = GetDC(nullptr);
    const HFONT font = CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, FF_SWISS, "Tahoma");
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_GE(Height(seen.record.fieldRect), seen.lineCount * metrics.tmHeight);
}

TEST_F(MessageBoxTest, RightToLeftCharsetAndPositionOverride) {
    BoxSettings().charset = 177;
    BoxSettings().x = 15;
    BoxSettings().y = 25;
    auto user = AnswerNextBox("enter", "rtl");
    ErrorBox(BoxOwner(0), "Right to left", "", 177, "");
    const Seen seen = user.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.record.fieldStyle & ES_RIGHT, ES_RIGHT);
    EXPECT_EQ(seen.record.fieldExStyle & WS_EX_RTLREADING, WS_EX_RTLREADING);
    EXPECT_EQ(seen.record.windowRect.left, 15);
    EXPECT_EQ(seen.record.windowRect.top, 25);
    // The override holds for one box only.
    EXPECT_EQ(BoxSettings().x, -1);
    EXPECT_EQ(BoxSettings().y, -1);
}

TEST_F(MessageBoxTest, AnswersQueryCancelAutoPlay) {
    const UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
    std::future<LRESULT> answered = std::async(std::launch::async, [message] {
        const HWND box = WaitForBox(GetCurrentProcessId(), 20000);
        if (!box) return LRESULT{-1};
        const LRESULT result = SendMessageA(box, message, 0, 0);
        Answer enter;
        ParseAnswer("enter", &enter);
        PressAnswer(box, enter);
        WaitUntilGone(box, 20000);
        return result;
    });
    ShowRichMessage(nullptr, "AutoPlay", "Setup", 0, 0, kDefaultButtonText);
    EXPECT_EQ(answered.get(), 1);
}

TEST_F(MessageBoxTest, AnswererProgramRecordsEveryBoxOfTheProcess) {
    const std::string directory = ScreenshotDirectory();
    const std::string record = directory + "\\answerer-record.txt";
    DeleteFileA(record.c_str());
    std::string command = "\"" + directory.substr(0, directory.size() - 11) +
                          "wyvern_box_answerer.exe\" --answer n --timeout-ms 20000 --count 2" +
                          " --pid " + std::to_string(GetCurrentProcessId()) + " --record \"" +
                          record + "\" --screenshot \"" + directory + "\\answerer.png\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);

    const bool first = ConfirmBox(BoxOwner(0), "First?", "", 0, "");
    const int second =
        ShowRichMessage(nullptr, "Second<P><b>bold</b>", "Two", 0, 0x23, kDefaultButtonText);
    EXPECT_FALSE(first);
    EXPECT_EQ(second, IDNO);

    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);

    std::string text;
    if (FILE* file = std::fopen(record.c_str(), "rb")) {
        char buffer[4096];
        text.resize(std::fread(buffer, 1, sizeof buffer, file));
        std::memcpy(text.data(), buffer, text.size());
        std::fclose(file);
    }
    EXPECT_EQ(text,
              "caption: CONFIRM\r\nbuttons: &Yes &No\r\ntext:\r\n"
              "CONFIRM\r\n\r\nFirst?\r\n\r\n\r\n"
              "caption: Two\r\nbuttons: &Yes &No &Cancel\r\ntext:\r\nSecond\r\nbold\r\n\r\n");
    EXPECT_NE(GetFileAttributesA((directory + "\\answerer.png").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((directory + "\\answerer-2.png").c_str()),
              INVALID_FILE_ATTRIBUTES);
}
