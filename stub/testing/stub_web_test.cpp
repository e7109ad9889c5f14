// Web-install stubs end to end: a stub without entries fetches its package from beside itself or
// from the test's loopback HTTP server, checks its web token and runs it.
#include <gtest/gtest.h>

#include "stub/package/package_trailer.h"
#include "stub/testing/http_server.h"
#include "stub/testing/stub_test_support.h"

namespace {

constexpr DWORD kRunTimeout = 90000;
constexpr char kToken[] = "web-token-1";
constexpr char kNotFoundPage[] = "<html><head><title>404 Not Found</title></head><body/></html>";

class StubWebTest : public ::testing::Test {
  protected:
    // The package the web stub fetches: the test engine, one data file, the web token.
    std::string BuildPackage(const std::string& token = kToken) {
        Manifest manifest = EngineManifest();
        manifest.hasWeb = true;
        manifest.webToken = token;
        AddDataEntry(manifest, sandbox_, "notes.txt", "fetched notes\r\n");
        if (!sandbox_.Exists("built")) sandbox_.MakeDirectory("built");
        BuildStubPackage(manifest, sandbox_.Path("built\\package.exe"));
        return sandbox_.Read("built\\package.exe");
    }
    // The web stub: no entries, the package's URL and name and the same token.
    std::string BuildWebStub(const std::string& url, bool alwaysDownload, bool confirm = false,
                             const std::string& agentExe = "") {
        Manifest manifest = EngineManifest();
        manifest.entries.clear();
        manifest.webInstall = 1;
        manifest.confirmDownload = confirm ? 1 : 0;
        manifest.hasWeb = true;
        manifest.packageUrl = url;
        manifest.packageFile = "package.exe";
        manifest.webToken = kToken;
        manifest.packageSize = "3145728";
        manifest.alwaysDownload = alwaysDownload;
        if (!agentExe.empty()) {
            manifest.makeAgentCopy = 1;
            manifest.agentExe = agentExe;
        }
        if (!sandbox_.Exists("web")) sandbox_.MakeDirectory("web");
        const std::string setup = sandbox_.Path("web\\setup.exe");
        BuildStubPackage(manifest, setup);
        return setup;
    }
    Environment RunEnvironment() {
        Environment environment = StubEnvironment(sandbox_);
        environment.push_back({"WYVERN_ENGINE_EXIT", "7"});
        environment.push_back({"WYVERN_ENGINE_ATOM", "delete"});
        environment.push_back({"WYVERN_ENGINE_COPY_TO", sandbox_.Path("copied")});
        return environment;
    }
    std::string Record() {
        return sandbox_.Exists("record.txt") ? sandbox_.Read("record.txt") : std::string();
    }
    // Names in the stub's temporary directory, SETUP_ directories left out.
    std::vector<std::string> TempFiles() { return sandbox_.Files(TempRelative()); }
    std::string TempRelative() {
        const std::string temp = StubTemp(sandbox_);
        return temp.substr(sandbox_.root().size() + 1);
    }

    Sandbox sandbox_;
};

TEST_F(StubWebTest, PackageBesideTheStubIsUsedWithoutADownload) {
    const std::string package = BuildPackage();
    // Nobody listens there: a download attempt would fail.
    const std::string setup = BuildWebStub("http://127.0.0.1:9/nowhere/", false);
    sandbox_.Write("web\\package.exe", package);

    StubProcessRun stub(setup, "/Q", RunEnvironment());
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(sandbox_.Read("copied\\notes.txt"), "fetched notes\r\n");
    EXPECT_NE(RecordValue(Record(), "CommandLine").find(" /Q /TH_ID="), std::string::npos);
    // The local package stays.
    EXPECT_EQ(sandbox_.Read("web\\package.exe"), package);
}

TEST_F(StubWebTest, DownloadedPackageRunsAndIsDeletedAfterwards) {
    const std::string package = BuildPackage();
    TestHttpServer server({HttpRoute("/pkgs/package.exe", package)});
    ASSERT_TRUE(server.listening());
    // AlwaysDownload: the copy beside the stub does not count.
    const std::string setup = BuildWebStub(server.Url("/pkgs"), true, false, "Agent.exe");
    sandbox_.Write("web\\package.exe", "a stale copy");

    StubProcessRun stub(setup, "", RunEnvironment());
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /pkgs/package.exe HTTP/1.1"});
    EXPECT_EQ(sandbox_.Read("copied\\notes.txt"), "fetched notes\r\n");
    EXPECT_TRUE(TempFiles().empty());

    // The agent copy: the web stub itself, flagged as an agent in its trailer.
    const std::string webStub = sandbox_.Read("web\\setup.exe");
    std::string agent = webStub;
    agent[agent.size() - 5] = 1;
    EXPECT_EQ(sandbox_.Read("copied\\Agent.exe"), agent);
}

TEST_F(StubWebTest, RefusedPackagesShowWhyAndStartNothing) {
    const std::string foreign = BuildPackage("another-token");
    TestHttpServer server(
        {HttpRoute("/p/package.exe", kNotFoundPage), HttpRoute("/q/package.exe", foreign)});
    const struct {
        const char* path;
        const char* message;
        const char* screenshot;
    } cases[] = {
        {"/p/", "404 File Not Found...", "web-error-page"},
        {"/q/", "Bad Secret Token!", "web-bad-token"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string setup = BuildWebStub(server.Url(c.path), false);
        StubProcessRun stub(setup, "", RunEnvironment());
        const BoxRecord box = AnswerBox(stub.pid(), "enter", c.screenshot);
        ASSERT_NE(box.window, nullptr);
        EXPECT_NE(box.text.find(c.message), std::string::npos) << box.text;
        if (std::string(c.path) == "/p/") {
            EXPECT_NE(box.text.find("URL:  " + server.Url("/p/package.exe") + "."),
                      std::string::npos)
                << box.text;
        }
        DWORD code = 0;
        ASSERT_TRUE(stub.Wait(kRunTimeout, code));
        EXPECT_EQ(Record(), "");
        EXPECT_TRUE(TempFiles().empty());
    }
}

TEST_F(StubWebTest, DeclinedDownloadAsksNothingMoreOfTheServer) {
    TestHttpServer server({HttpRoute("/pkgs/package.exe", BuildPackage())});
    const std::string setup = BuildWebStub(server.Url("/pkgs/"), false, true);
    StubProcessRun stub(setup, "", RunEnvironment());
    const BoxRecord box = AnswerBox(stub.pid(), "n", "web-confirm");
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find("INTERNET DOWNLOAD"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Size: 3.00 MB"), std::string::npos) << box.text;
    DWORD code = 0;
    ASSERT_TRUE(stub.Wait(kRunTimeout, code));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Record(), "");
}

}  // namespace
