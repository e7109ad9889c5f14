#include "stub/win/http_download.h"

#include <wininet.h>

#include <memory>
#include <vector>

#include "stub/run/text_search.h"
#include "stub/update/bytes_rate.h"
#include "stub/update/download_plan.h"
#include "stub/win/pump.h"
#include "stub/win/system_libraries.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

constexpr char kSizeAgent[] = "HTTP_Connect_2";
constexpr char kDownloadAgent[] = "HTTP_Connect_3";
constexpr DWORD kTimeoutMs = 180000;

// The library's functions, looked up by name from one handle loaded on first use.
struct InternetLibrary {
    HMODULE module = nullptr;
    decltype(&InternetGetConnectedState) getConnectedState = nullptr;
    decltype(&InternetCloseHandle) closeHandle = nullptr;
    decltype(&InternetOpenA) open = nullptr;
    decltype(&InternetOpenUrlA) openUrl = nullptr;
    decltype(&HttpQueryInfoA) queryInfo = nullptr;
    decltype(&InternetReadFile) readFile = nullptr;
    decltype(&InternetSetOptionA) setOption = nullptr;
    decltype(&InternetGetLastResponseInfoA) lastResponseInfo = nullptr;
};

InternetLibrary& Library() {
    static InternetLibrary library;
    return library;
}

const InternetLibrary& Internet() {
    InternetLibrary& library = Library();
    if (!library.module) {
        library.module = LoadSystemLibrary("WinINet.dll");
        if (library.module) {
            BindFunction(library.module, library.getConnectedState, "InternetGetConnectedState");
            BindFunction(library.module, library.closeHandle, "InternetCloseHandle");
            BindFunction(library.module, library.open, "InternetOpenA");
            BindFunction(library.module, library.openUrl, "InternetOpenUrlA");
            BindFunction(library.module, library.queryInfo, "HttpQueryInfoA");
            BindFunction(library.module, library.readFile, "InternetReadFile");
            BindFunction(library.module, library.setOption, "InternetSetOptionA");
            BindFunction(library.module, library.lastResponseInfo, "InternetGetLastResponseInfoA");
        }
    }
    return library;
}

// An internet handle closed on every path.
class NetHandle {
  public:
    explicit NetHandle(HINTERNET handle) : handle_(handle) {}
    ~NetHandle() {
        if (handle_ && Internet().closeHandle) Internet().closeHandle(handle_);
    }
    NetHandle(const NetHandle&) = delete;
    NetHandle& operator=(const NetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HINTERNET handle_;
};

HINTERNET OpenSession(const char* agent) {
    const InternetLibrary& net = Internet();
    return net.open ? net.open(agent, INTERNET_OPEN_TYPE_PRECONFIG, "", nullptr, 0) : nullptr;
}

HINTERNET OpenUrl(HINTERNET session, const std::string& url, DWORD flags) {
    const InternetLibrary& net = Internet();
    return session && net.openUrl ? net.openUrl(session, url.c_str(), nullptr, 0, flags, 0)
                                  : nullptr;
}

// The content length as a number, or -1 when the server sent none.
int64_t ContentLength(HINTERNET request) {
    const InternetLibrary& net = Internet();
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!net.queryInfo ||
        !net.queryInfo(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                       nullptr))
        return -1;
    return length;
}

// The last-modified time as a packed MS-DOS date-time; 0 when absent.
uint32_t LastModifiedDosStamp(HINTERNET request) {
    const InternetLibrary& net = Internet();
    SYSTEMTIME time{};
    DWORD size = sizeof time;
    if (!net.queryInfo ||
        !net.queryInfo(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &time, &size,
                       nullptr))
        return 0;
    FILETIME file;
    WORD date = 0;
    WORD clock = 0;
    if (!SystemTimeToFileTime(&time, &file) || !FileTimeToDosDateTime(&file, &date, &clock))
        return 0;
    return uint32_t{date} << 16 | clock;
}

// Why a read failed: the system's message or else the server's last response text.
std::string ReadFailureReason(DWORD code) {
    std::string reason = code ? LastErrorText(code) : std::string();
    const InternetLibrary& net = Internet();
    if (reason.empty() && net.lastResponseInfo) {
        DWORD serverError = 0;
        char text[1024] = {};
        DWORD length = sizeof text;
        if (net.lastResponseInfo(&serverError, text, &length))
            reason.assign(text, std::min<size_t>(length, sizeof text - 1));
    }
    return std::string(TrimBlanks(reason));
}

// Every file the wildcard target + ".*" finds, directories excepted.
void DeleteEarlierParts(const std::string& target) {
    const size_t slash = target.find_last_of("\\/");
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((target + ".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string path = directory + found.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

void SetTimeouts(HINTERNET session) {
    const InternetLibrary& net = Internet();
    if (!net.setOption) return;
    // Receive and send twice, as the library's older option names ask for.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_DATA_SEND_TIMEOUT}) {
        DWORD value = kTimeoutMs;
        net.setOption(session, option, &value, sizeof value);
    }
}

// The read loop of one request: into the partial file or into `content`.
void ReadChunks(HINTERNET request, uint32_t size, const std::string& fileName,
                Win32OutputFile* partial, std::string* content, TProgBar* progress,
                const bool& stop, std::string* error) {
    const InternetLibrary& net = Internet();
    const uint32_t chunk = DownloadChunkSize(size);
    uint64_t soFar = 0;
    if (progress) {
        const ProgressStart start = DownloadProgressStart(soFar, chunk, size);
        progress->Start(start.position, start.maximum);
        progress->Caption(fileName);
    }
    TBytesRate rate(size);
    std::vector<char> buffer(chunk);
    for (;;) {
        PumpWait(2);
        DWORD got = 0;
        const bool read = net.readFile && net.readFile(request, buffer.data(), chunk, &got);
        if (read && got > 0) {
            if (partial && !partial->Write(buffer.data(), got)) {
                *error = fileName + " --- Error downloading file (" +
                         LastErrorText(partial->error()) + ")";
                break;
            }
            if (!partial && content->size() + got > kMaxContentBytes) {
                *error = fileName + " --- Error downloading file (more than " +
                         std::to_string(kMaxContentBytes) + " bytes for memory)";
                break;
            }
            if (!partial) content->append(buffer.data(), got);
            soFar += got;
        } else if (!read) {
            const std::string reason = ReadFailureReason(GetLastError());
            *error = fileName + " --- Error downloading file" +
                     (reason.empty() ? std::string() : " (" + reason + ")");
        }
        const std::string text = rate.ProgressText(soFar, got, GetTickCount());
        if (read && got > 0 && progress) progress->Step(text);
        if (!read || got == 0 || stop) break;
    }
    if (stop) *error = "Download Aborted";
}

}  // namespace

void TProgBar::Notify(ProgressNotice notice, uint32_t position, uint32_t maximum,
                      const std::string& text) {
    PumpWait(0);
    if (procedure_) procedure_(notice, position, maximum, text);
    PumpWait(0);
}

void TProgBar::Start(uint32_t position, uint32_t maximum) {
    Notify(ProgressNotice::kStart, position, maximum, {});
}

void TProgBar::Step(const std::string& text) {
    Notify(ProgressNotice::kStep, 0, 0, text);
}

void TProgBar::End() {
    Notify(ProgressNotice::kEnd, 0, 0, {});
}

void TProgBar::Caption(const std::string& text) {
    Notify(ProgressNotice::kCaption, 0, 0, text);
}

bool IsConnected(std::string* error) {
    const InternetLibrary& net = Internet();
    DWORD flags = 0;
    if (net.getConnectedState && net.getConnectedState(&flags, 0)) return true;
    if (error) *error = LastErrorText(GetLastError());
    return false;
}

int64_t HTTP_GetFileSize(const std::string& url) {
    {
        // Opening once wakes a dial-up connection.
        const NetHandle session(OpenSession(kSizeAgent));
        const NetHandle request(OpenUrl(session.get(), url, 0));
    }
    const NetHandle session(OpenSession(kSizeAgent));
    if (!session) return -1;
    const NetHandle request(OpenUrl(session.get(), url, 0));
    if (!request) return -1;
    const int64_t size = ContentLength(request.get());
    TraceLine("HTTP_GetFileSize=" + std::to_string(size) + "  " + url);
    return size;
}

void HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& target,
                                   std::string* error, TProgBar* progress, std::string* content,
                                   const bool& stop) {
    const std::string fileName = UrlFileName(url);
    error->clear();
    content->clear();

    const NetHandle session(OpenSession(kDownloadAgent));
    if (!session) {
        *error = "Unable to initialize \"WinINet.dll\"";
    } else {
        SetTimeouts(session.get());
        const std::string address = WithHttpScheme(url);
        const NetHandle request(OpenUrl(session.get(), address, INTERNET_FLAG_RELOAD));
        if (!request) {
            *error = "Unable to open Internet Connection: " + address;
        } else {
            // No length announced: -1, taken as the largest size.
            const uint32_t size = static_cast<uint32_t>(ContentLength(request.get()));
            const uint32_t date = LastModifiedDosStamp(request.get());
            if (size == 0) {
                *error = address + " --- File Not Found !";
            } else {
                if (reinterpret_cast<UINT_PTR>(window) > 10) ShowWindow(window, SW_SHOW);
                std::unique_ptr<Win32OutputFile> partial;
                std::string partialName;
                if (!target.empty()) {
                    partialName = PartialFileName(target, size, date);
                    DeleteEarlierParts(target);
                    partial = Win32OutputFile::Open(partialName, false);
                    if (!partial)
                        *error = fileName + " --- Error downloading file (" + LastErrorText() + ")";
                }
                if (target.empty() || partial)
                    ReadChunks(request.get(), size, fileName, partial.get(), content, progress,
                               stop, error);
                if (partial) {
                    partial->Finish(0);
                    partial.reset();
                    if (FileSize(partialName) == size) {
                        DeleteFileA(target.c_str());
                        if (!MoveFileA(partialName.c_str(), target.c_str()) && error->empty())
                            *error =
                                fileName + " --- Error downloading file (" + LastErrorText() + ")";
                    }
                }
            }
        }
    }
    if (!error->empty())
        TraceLine(std::to_string(GetCurrentProcessId()) +
                  " HTTP_DownloadFile_Incremental: " + *error);
}

void ReleaseInternetLibrary() {
    InternetLibrary& library = Library();
    if (library.module) FreeLibrary(library.module);
    library = InternetLibrary{};
}
