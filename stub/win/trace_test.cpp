// The trace as a debug viewer sees it: the real viewer program runs beside the test, and every
// piece it receives is compared byte for byte.
#include "stub/win/trace.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "jobrunner/win/program_test_support.h"

namespace {

struct Piece {
    unsigned channel = 0;
    std::string text;
};

// The debug viewer program, running until Close().
class Viewer {
  public:
    explicit Viewer(const Sandbox& box) : output_(box.Path("trace.bin")) {
        static std::atomic<int> counter{0};
        const std::string eventName = "wyvern-viewer-ready-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(counter++);
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        std::string line = "\"" + BinProgram("wyvern_debug_viewer.exe") + "\" \"" + output_ +
                           "\" 120000 " + eventName;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (ready && CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            process_ = process.hProcess;
            HANDLE waits[] = {ready, process_};
            started_ = WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
        }
        if (ready) CloseHandle(ready);
    }
    ~Viewer() {
        Close();
        if (process_) CloseHandle(process_);
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    bool started() const { return started_; }

    // Ends the viewer; its exit code tells whether it ended by WM_CLOSE (0).
    DWORD Close() {
        if (!process_) return 1;
        if (HWND window = FindWindowA(kTraceViewerClass, nullptr))
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 30000) != WAIT_OBJECT_0) TerminateProcess(process_, 9);
        DWORD code = 1;
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = nullptr;
        closeCode_ = code;
        return code;
    }
    DWORD closeCode() const { return closeCode_; }

    // The pieces received, split by the viewer's piece index.
    std::vector<Piece> Pieces() const {
        const std::string bytes = ReadFile(output_);
        std::istringstream index(ReadFile(output_ + ".pieces"));
        std::vector<Piece> pieces;
        size_t at = 0;
        Piece piece;
        size_t length = 0;
        while (index >> piece.channel >> length) {
            piece.text = bytes.substr(at, length);
            at += length;
            pieces.push_back(piece);
        }
        EXPECT_EQ(at, bytes.size()) << "index and output disagree";
        return pieces;
    }

  private:
    static std::string ReadFile(const std::string& path) {
        std::string text;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return text;
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            text.append(buffer, read);
        CloseHandle(file);
        return text;
    }

    std::string output_;
    HANDLE process_ = nullptr;
    bool started_ = false;
    DWORD closeCode_ = 1;
};

std::vector<size_t> Sizes(const std::vector<Piece>& pieces) {
    std::vector<size_t> sizes;
    for (const Piece& piece : pieces) sizes.push_back(piece.text.size());
    return sizes;
}

// Printable text with no repeats within a piece, so a lost or doubled piece shows.
std::string Line(size_t length) {
    std::string line;
    for (size_t i = 0; i < length; ++i) line += static_cast<char>('!' + i % 90);
    return line;
}

bool LogFileExists() {
    return GetFileAttributesA(kTraceLogFile) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST(Trace, LinesReachTheViewerInPiecesOfAtMost128Characters) {
    // The device flushes when its buffer is full and at the end of each call, so the CR LF of a
    // line may be split.
    const struct {
        size_t length;
        std::vector<size_t> pieces;
    } cases[] = {
        {5, {7}},
        {127, {128, 1}},
        {128, {128, 2}},
        {300, {128, 128, 46}},
    };
    Sandbox box;
    Viewer viewer(box);
    ASSERT_TRUE(viewer.started());
    for (const auto& c : cases) TraceLine(Line(c.length));
    ASSERT_EQ(viewer.Close(), 0u);

    const std::vector<Piece> pieces = viewer.Pieces();
    size_t next = 0;
    for (const auto& c : cases) {
        ASSERT_LE(next + c.pieces.size(), pieces.size()) << "line of " << c.length;
        const std::vector<Piece> line(pieces.begin() + next,
                                      pieces.begin() + next + c.pieces.size());
        next += c.pieces.size();
        EXPECT_EQ(Sizes(line), c.pieces) << "line of " << c.length;
        std::string joined;
        for (const Piece& piece : line) {
            EXPECT_EQ(piece.channel, kTraceChannel);
            joined += piece.text;
        }
        EXPECT_EQ(joined, Line(c.length) + "\r\n");
    }
    EXPECT_EQ(next, pieces.size());
}

TEST(Trace, EachWriteEndsWithItsOwnPiece) {
    Sandbox box;
    Viewer viewer(box);
    ASSERT_TRUE(viewer.started());
    TraceWrite("4711");
    TraceWrite(" ==== STUB START ====> ");
    TraceLine("Setup.exe /X<");
    TraceLine();
    ASSERT_EQ(viewer.Close(), 0u);

    std::vector<std::string> texts;
    for (const Piece& piece : viewer.Pieces()) texts.push_back(piece.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"4711", " ==== STUB START ====> ",
                                               "Setup.exe /X<\r\n", "\r\n"}));
}

TEST(Trace, WithoutAViewerNothingIsKeptOrWritten) {
    ASSERT_EQ(FindWindowA(kTraceViewerClass, nullptr), nullptr);
    ASSERT_FALSE(LogFileExists());
    TraceLine("before the viewer");
    TraceWrite(Line(300));
    EXPECT_FALSE(LogFileExists());

    // Nothing was held back for a viewer that comes later.
    Sandbox box;
    Viewer viewer(box);
    ASSERT_TRUE(viewer.started());
    TraceLine("after");
    ASSERT_EQ(viewer.Close(), 0u);
    const std::vector<Piece> pieces = viewer.Pieces();
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, "after\r\n");
    EXPECT_FALSE(LogFileExists());
}
