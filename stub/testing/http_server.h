// A small HTTP/1.1 server on 127.0.0.1 for the download tests: each path answers as its route
// says (status, body, with or without a length, a shorter body than announced, pauses between
// pieces), one connection at a time, closed after each answer.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HttpRoute {
    explicit HttpRoute(std::string routePath, std::string routeBody = {}, int routeStatus = 200)
        : path(std::move(routePath)), status(routeStatus), body(std::move(routeBody)) {}
    HttpRoute& WithoutLength() {
        sendLength = false;
        return *this;
    }
    HttpRoute& Announcing(int64_t length) {
        announcedLength = length;
        return *this;
    }
    HttpRoute& Modified(std::string value) {
        lastModified = std::move(value);
        return *this;
    }
    HttpRoute& Pausing(uint32_t milliseconds) {
        pauseMs = milliseconds;
        return *this;
    }

    std::string path;  // "/dir/file.bin"
    int status;
    std::string body;
    bool sendLength = true;
    int64_t announcedLength = -1;  // sent in place of the body's size when not -1
    std::string lastModified;      // a Last-Modified value, if any
    uint32_t pauseMs = 0;          // between pieces of 1024 bytes
};

class TestHttpServer {
  public:
    TestHttpServer(std::initializer_list<HttpRoute> routes);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool listening() const { return listening_; }
    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::string Url(const std::string& path) const;
    // The request lines received so far ("GET /x HTTP/1.1").
    std::vector<std::string> Requests() const;

  private:
    void Serve();
    void Answer(uintptr_t client);

    std::vector<HttpRoute> routes_;
    uintptr_t listener_ = 0;  // a socket
    bool listening_ = false;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
