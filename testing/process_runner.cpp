#include "testing/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

void CloseIfOpen(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

ProcessResult RunProcess(const ProcessRequest& request) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");

    std::vector<std::string> envStrings = {"PATH=/usr/bin:/bin", "LC_ALL=C"};
    for (const auto& [key, value] : request.environment) envStrings.push_back(key + "=" + value);
    std::vector<char*> env;
    for (auto& s : envStrings) env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argStrings = {request.program};
    argStrings.insert(argStrings.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    for (auto& s : argStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (!request.workingDirectory.empty() && chdir(request.workingDirectory.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), env.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);

    // The child may ignore its input: never let a closed pipe end the test.
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    int inFd = in[1];
    if (request.input.empty()) CloseIfOpen(inFd);
    int outFd = out[0], errFd = err[0];
    ProcessResult result;
    bool timedOut = false;
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
        if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
        if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
        if (poll(fds, n, 60000) <= 0) {  // a minute of silence: give up on the child
            timedOut = true;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].fd == inFd) {
                ssize_t w =
                    write(inFd, request.input.data() + written, request.input.size() - written);
                if (w <= 0 || (written += static_cast<size_t>(w)) == request.input.size())
                    CloseIfOpen(inFd);
                continue;
            }
            char buf[4096];
            ssize_t r = read(fds[i].fd, buf, sizeof buf);
            if (r <= 0) {
                if (fds[i].fd == outFd)
                    CloseIfOpen(outFd);
                else
                    CloseIfOpen(errFd);
                continue;
            }
            (fds[i].fd == outFd ? result.out : result.err).append(buf, static_cast<size_t>(r));
        }
    }
    CloseIfOpen(inFd);
    CloseIfOpen(outFd);
    CloseIfOpen(errFd);
    int status = 0;
    if (timedOut) kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kit-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream file(path, std::ios::binary);
    file << text;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
