// Files fetched over HTTP through the system's internet library, loaded from the system
// directory on first use: a connection test, a size query and a chunked download into a file or
// into memory that drives a progress object and stops on the stub's stop flag.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

enum class ProgressNotice { kStart, kStep, kEnd, kCaption };

// A progress object: each notification goes to the procedure, with the thread's messages pumped
// before and after.
class TProgBar {
  public:
    using Procedure = std::function<void(ProgressNotice notice, uint32_t position, uint32_t maximum,
                                         const std::string& text)>;
    explicit TProgBar(Procedure procedure = {}) : procedure_(std::move(procedure)) {}

    void Start(uint32_t position, uint32_t maximum);
    void Step(const std::string& text);
    void End();
    void Caption(const std::string& text);

  private:
    void Notify(ProgressNotice notice, uint32_t position, uint32_t maximum,
                const std::string& text);
    Procedure procedure_;
};

// Memory downloads (an empty target) are for small files; a larger answer is refused.
inline constexpr size_t kMaxContentBytes = 16u << 20;

// Whether the machine has an internet connection; if not, `error` gets the system's message.
bool IsConnected(std::string* error);
// The content length the server announces, or -1.
int64_t HTTP_GetFileSize(const std::string& url);
// Reads `url` in chunks into `target` (through a partial file that takes the target's name only
// when complete) or, with an empty target, into `content`. An empty `error` means success.
// `stop` is read between chunks.
void HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& target,
                                   std::string* error, TProgBar* progress, std::string* content,
                                   const bool& stop);
// Frees the internet library; the next call loads it again.
void ReleaseInternetLibrary();
