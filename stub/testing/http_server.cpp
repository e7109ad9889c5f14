#include "stub/testing/http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

namespace {

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        default:
            return "Status";
    }
}

bool SendAll(SOCKET socket, const char* data, size_t size) {
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(std::min<size_t>(size, 65536)), 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

TestHttpServer::TestHttpServer(std::initializer_list<HttpRoute> routes) : routes_(routes) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener);
        return;
    }
    listener_ = listener;
    listening_ = true;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listening_) closesocket(static_cast<SOCKET>(listener_));
    WSACleanup();
}

std::string TestHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> TestHttpServer::Requests() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void TestHttpServer::Serve() {
    while (!stopping_ && listening_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(static_cast<SOCKET>(listener_), &ready);
        timeval wait{0, 50000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
        const SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        Answer(client);
        shutdown(client, SD_SEND);
        closesocket(client);
    }
}

void TestHttpServer::Answer(uintptr_t socket) {
    const SOCKET client = static_cast<SOCKET>(socket);
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        head.append(buffer, static_cast<size_t>(got));
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(line);
    }
    const size_t pathStart = line.find(' ') + 1;
    const std::string path = line.substr(pathStart, line.find(' ', pathStart) - pathStart);

    const HttpRoute notFound(path, "<html><head><title>404 Not Found</title></head></html>", 404);
    const auto route = std::find_if(routes_.begin(), routes_.end(),
                                    [&](const HttpRoute& r) { return r.path == path; });
    const HttpRoute& answer = route == routes_.end() ? notFound : *route;

    std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) +
                        "\r\nConnection: close\r\n";
    if (answer.sendLength) {
        const int64_t length = answer.announcedLength >= 0
                                   ? answer.announcedLength
                                   : static_cast<int64_t>(answer.body.size());
        reply += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    if (!answer.lastModified.empty()) reply += "Last-Modified: " + answer.lastModified + "\r\n";
    reply += "Content-Type: application/octet-stream\r\n\r\n";
    if (!SendAll(client, reply.data(), reply.size())) return;
    if (answer.pauseMs == 0) {
        SendAll(client, answer.body.data(), answer.body.size());
        return;
    }
    for (size_t at = 0; at < answer.body.size() && !stopping_; at += 1024) {
        if (!SendAll(client, answer.body.data() + at,
                     std::min<size_t>(1024, answer.body.size() - at)))
            return;
        Sleep(answer.pauseMs);
    }
}
