// Downloads through the system's internet library under Wine, from a small server of the test's
// own on the loopback address.
#include "stub/win/http_download.h"

#include <gtest/gtest.h>

#include "stub/testing/http_server.h"
#include "stub/win/files_test_support.h"

namespace {

constexpr char kModified[] = "Fri, 11 Dec 2026 10:00:00 GMT";
// The same moment as a packed MS-DOS date-time.
constexpr uint32_t kModifiedDos = uint32_t{(46 << 9) | (12 << 5) | 11} << 16 | (10 << 11);

struct Seen {
    uint32_t startPosition = 0;
    uint32_t startMaximum = 0;
    std::string caption;
    std::vector<std::string> steps;
};

TProgBar Recorder(Seen* seen, std::function<void()> onStep = {}) {
    return TProgBar([seen, onStep](ProgressNotice notice, uint32_t position, uint32_t maximum,
                                   const std::string& text) {
        if (notice == ProgressNotice::kStart) {
            seen->startPosition = position;
            seen->startMaximum = maximum;
        }
        if (notice == ProgressNotice::kCaption) seen->caption = text;
        if (notice == ProgressNotice::kStep) {
            seen->steps.push_back(text);
            if (onStep) onStep();
        }
    });
}

struct Download {
    std::string error;
    std::string content;
};

Download Fetch(const std::string& url, const std::string& target, TProgBar* progress = nullptr,
               const bool& stop = false) {
    Download result;
    HTTP_DownloadFile_Incremental(nullptr, url, target, &result.error, progress, &result.content,
                                  stop);
    return result;
}

}  // namespace

TEST(HttpDownload, FileArrivesThroughAPartialFileThatTakesItsName) {
    const std::string body = filestest::Noise(20000, 7);
    TestHttpServer server({HttpRoute("/app/data.bin", body).Modified(kModified)});
    ASSERT_TRUE(server.listening());
    Sandbox box;
    box.Write("data.bin.123", "left from an earlier try");
    Seen seen;
    TProgBar progress = Recorder(&seen);

    const Download got = Fetch(server.Url("/app/data.bin"), box.Path("data.bin"), &progress);
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(box.Read("data.bin"), body);
    EXPECT_EQ(box.Files(""), std::vector<std::string>{"data.bin"});
    // Chunks of a tenth: the bar from 1 to 11, a step for each read that brought bytes.
    EXPECT_EQ(seen.startPosition, 1u);
    EXPECT_EQ(seen.startMaximum, 11u);
    EXPECT_EQ(seen.caption, "data.bin");
    ASSERT_GE(seen.steps.size(), 10u);
    EXPECT_EQ(seen.steps.back().rfind("20000/20000 Bytes", 0), 0u) << seen.steps.back();
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /app/data.bin HTTP/1.1"});
}

TEST(HttpDownload, FifteenBytesComeOneByteAChunk) {
    TestHttpServer server({HttpRoute("/f.txt", "fifteen bytes..")});
    Sandbox box;
    Seen seen;
    TProgBar progress = Recorder(&seen);
    const Download got = Fetch(server.Url("/f.txt"), box.Path("f.txt"), &progress);
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(box.Read("f.txt"), "fifteen bytes..");
    EXPECT_EQ(seen.steps.size(), 15u);
    EXPECT_EQ(seen.startMaximum, 16u);
    // The rate has joined the amount since the fifth chunk.
    const std::string& last = seen.steps.back();
    EXPECT_EQ(last.rfind("15/15 Bytes   -   ", 0), 0u) << last;
    EXPECT_EQ(last.substr(last.size() - 7), " KB/Sec") << last;
    EXPECT_EQ(seen.steps[3].find("KB/Sec"), std::string::npos) << seen.steps[3];
}

TEST(HttpDownload, IncompleteAnswersLeaveTheirPartialFile) {
    const std::string body = filestest::Noise(3000, 9);
    TestHttpServer server({
        HttpRoute("/nolength.ini", body).WithoutLength(),
        HttpRoute("/short.bin", body.substr(0, 2000)).Announcing(5000).Modified(kModified),
    });
    Sandbox box;
    // No length: into memory it is all there; as a file it never gets the target's name.
    Download got = Fetch(server.Url("/nolength.ini"), "");
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(got.content, body);
    got = Fetch(server.Url("/nolength.ini"), box.Path("nolength.ini"));
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(box.Files(""), std::vector<std::string>{"nolength.ini.4294967295"});
    EXPECT_EQ(box.Read("nolength.ini.4294967295"), body);

    // Fewer bytes than announced: the partial file is named by size and date and stays.
    got = Fetch(server.Url("/short.bin"), box.Path("short.bin"));
    EXPECT_EQ(got.error, "");
    const std::string partial = "short.bin." + std::to_string(5000u + kModifiedDos);
    EXPECT_EQ(box.Read(partial), body.substr(0, 2000));
    EXPECT_FALSE(box.Exists("short.bin"));
}

TEST(HttpDownload, StopFlagEndsTheLoopAfterTheCurrentChunk) {
    const std::string body = filestest::Noise(200000, 3);
    TestHttpServer server({HttpRoute("/big.bin", body).Pausing(5)});
    Sandbox box;
    bool stop = false;
    Seen seen;
    TProgBar progress = Recorder(&seen, [&] { stop = seen.steps.size() == 3; });
    const Download got = Fetch(server.Url("/big.bin"), box.Path("big.bin"), &progress, stop);
    EXPECT_EQ(got.error, "Download Aborted");
    EXPECT_EQ(seen.steps.size(), 3u);
    EXPECT_FALSE(box.Exists("big.bin"));
    const std::vector<std::string> files = box.Files("");
    ASSERT_EQ(files.size(), 1u);
    const std::string partial = box.Read(files[0]);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), body.size());
    EXPECT_EQ(partial, body.substr(0, partial.size()));
}

TEST(HttpDownload, FailuresAndTheSchemeInFront) {
    TestHttpServer server({HttpRoute("/empty.ini", "", 404), HttpRoute("/x.ini", "[Update]\r\n")});
    uint16_t closedPort = 0;
    {
        TestHttpServer gone({});
        closedPort = gone.port();
    }
    Sandbox box;
    EXPECT_EQ(Fetch(server.Url("/empty.ini"), box.Path("empty.ini")).error,
              server.Url("/empty.ini") + " --- File Not Found !");
    const std::string closed = "http://127.0.0.1:" + std::to_string(closedPort) + "/x.ini";
    EXPECT_EQ(Fetch(closed, "").error, "Unable to open Internet Connection: " + closed);

    const std::string bare = "127.0.0.1:" + std::to_string(server.port()) + "/x.ini";
    const Download got = Fetch(bare, "");
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(got.content, "[Update]\r\n");
    EXPECT_TRUE(box.Files("").empty());
}

TEST(HttpDownload, SizeQueryAndConnection) {
    TestHttpServer server({HttpRoute("/a.bin", std::string(12345, 'a')),
                           HttpRoute("/b.bin", "no length").WithoutLength()});
    EXPECT_EQ(HTTP_GetFileSize(server.Url("/a.bin")), 12345);
    EXPECT_EQ(HTTP_GetFileSize(server.Url("/b.bin")), -1);
    // One request to wake the line, one to ask.
    EXPECT_EQ(server.Requests().size(), 4u);
    std::string error;
    EXPECT_TRUE(IsConnected(&error)) << error;
    ReleaseInternetLibrary();
    EXPECT_EQ(HTTP_GetFileSize(server.Url("/a.bin")), 12345);
}
