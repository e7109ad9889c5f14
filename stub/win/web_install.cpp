#include "stub/win/web_install.h"

#include <memory>

#include "stub/package/agent_copy.h"
#include "stub/package/space_estimate.h"
#include "stub/update/error_page.h"
#include "stub/win/http_download.h"
#include "stub/win/main_window.h"
#include "stub/win/message_box.h"
#include "stub/win/pump.h"
#include "stub/win/run_step.h"
#include "stub/win/stub_process.h"
#include "stub/win/temp_dirs.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

constexpr char kDownloadConfirmText[] =
    "<b>INTERNET DOWNLOAD</b><p><p>Wyvern will download the Setup File from the Internet...<p>"
    "Please make sure your Internet connection is properly set.<p><p>Continue with Setup?<p><P>"
    "Size: <SIZE> MB<P>";
constexpr char kNoConnectionText[] = "No valid Internet Connection.<p>Can not Download File!";
constexpr char kDeclined[] = "!";

bool Hidden() {
    return HasStubSwitch("/hide") || Stub().ownInfo->RunHidden();
}

// The first bytes of a file, for the error-page check.
std::string FileHead(const std::string& path) {
    std::string head(kErrorPageProbeBytes, '\0');
    const std::unique_ptr<Win32FileReader> reader = Win32FileReader::Open(path);
    head.resize(reader ? reader->ReadAt(0, head.data(), head.size()) : 0);
    return head;
}

void WriteWebAgentCopy(const std::string& agentName) {
    const StubProcess& stub = Stub();
    const std::unique_ptr<Win32FileReader> self = Win32FileReader::Open(stub.stubPath);
    if (!self) return;
    std::string image(static_cast<size_t>(self->Size()), '\0');
    image.resize(self->ReadAt(0, image.data(), image.size()));
    const std::string copy = WebAgentCopy(std::move(image));
    const std::string path = SetupDir() + "\\" + std::string(FileNamePart(agentName));
    if (!WriteFileData(path, copy.data(), copy.size(), FileDosStamp(stub.stubPath), false))
        TraceLine(std::to_string(GetCurrentProcessId()) + " Agent copy not written: " + path);
}

// base + "/" + name, without doubling a slash the base already ends with.
std::string PackageUrl(const std::string& base, const std::string& fileName) {
    return base + (!base.empty() && base.back() == '/' ? "" : "/") + fileName;
}

// The user's consent, the connection and the download; the error text is empty when the package
// lies at `path`.
std::string Download(const std::string& base, const std::string& fileName,
                     const std::string& path) {
    StubProcess& stub = Stub();
    const TGFileInfo& info = *stub.ownInfo;
    const int charset = info.LangCharset();
    const std::string buttons = info.LangString("BtnText", kDefaultButtonText);
    SetStatusText(info.LangString("s10", "Downloading File..."), info.LangFontName(), charset,
                  info.LangFontSize());
    std::string error;
    if (info.ConfirmDownload() && !Hidden()) {
        std::string text = info.LangString("s11", kDownloadConfirmText);
        const size_t size = text.find("<SIZE>");
        if (size != std::string::npos) {
            char* end = nullptr;
            const std::string bytes = info.PackageSize();
            const double value = std::strtod(bytes.c_str(), &end);
            text.replace(size, 6, MegabyteText(end && *end == '\0' && !bytes.empty() ? value : 0));
        }
        if (!ConfirmBox(BoxOwner(0), text, info.LangString("Confirm", "Confirm"), charset, buttons))
            error = kDeclined;
    }
    std::string systemError;
    if (!IsConnected(&systemError)) {
        error = info.LangString("s12", kNoConnectionText);
        if (!systemError.empty()) error += "<P><P>" + systemError;
    }
    stub.stopRequested = false;
    const HWND owner = Hidden() ? nullptr : stub.mainWindow;
    TProgBar progress(MainWindowProgress());
    if (error.empty()) {
        std::string unused;
        HTTP_DownloadFile_Incremental(owner, PackageUrl(base, fileName), path, &error, &progress,
                                      &unused, stub.stopRequested);
    }
    PumpWait(300);
    ProgressReset(10);
    PumpWait(700);
    return error;
}

}  // namespace

void WebInstallRun(const std::string& directory, const std::string& base,
                   const std::string& fileName) {
    StubProcess& stub = Stub();
    const TGFileInfo& info = *stub.ownInfo;
    std::string error;
    bool deleteAfterwards = false;
    std::string path = base;
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += fileName;
    if (!IsExistingFile(path)) {
        path = SystemTempPath() + fileName;
        error = Download(base, fileName, path);
        deleteAfterwards = error.empty();
    }
    TraceLine(std::to_string(GetCurrentProcessId()) + " WebInstall package: " + path);
    if (error.empty()) {
        const std::unique_ptr<TGFileInfo> package = LoadPackageInfo(path);
        if (!package->SameWebToken(info))
            error = ErrorPageMessage(FileHead(path), PackageUrl(base, fileName), false,
                                     "Bad Secret Token!");
    }
    if (error.empty()) ExtractAndRun(directory, path, "", stub.parameters, !Hidden());
    if (deleteAfterwards) DeleteFileA(path.c_str());
    if (!error.empty() && error != kDeclined)
        ErrorBox(BoxOwner(0), error, info.LangString("Error", "Error"), info.LangCharset(),
                 info.LangString("BtnText", kDefaultButtonText));
}

void RunWebInstall(const std::string& agentName) {
    const TGFileInfo& info = *Stub().ownInfo;
    if (!agentName.empty()) WriteWebAgentCopy(agentName);
    std::string base = info.PackageURL();
    const std::string fileName = info.PackageFileName();
    if (!info.AlwaysDownload() && IsExistingFile(StubDirectory() + "\\" + fileName))
        base = StubDirectory();
    WebInstallRun(SetupDir(), base, fileName);
}
