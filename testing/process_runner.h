// Runs a built program the way a user or a script would, for program tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    std::string out;      // standard output
    std::string err;      // standard error
    int exitStatus = -1;  // -1 when the program did not exit normally
};

struct ProcessRequest {
    std::string program;
    std::vector<std::string> arguments;                            // without argv[0]
    std::vector<std::pair<std::string, std::string>> environment;  // added to a clean set
    std::string input;                                             // standard input
    std::string workingDirectory;                                  // empty: inherit
};

ProcessResult RunProcess(const ProcessRequest& request);

// A fresh directory under the system's temporary directory, removed by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
