// A small raw-socket HTTP client for the server tests: exact bytes in,
// exact bytes out, every wait bounded.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "qo_runtime.h"

namespace http_test {

// A port nobody listens on right now.
inline int free_port() {
    int fd = socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_any;
    bind(fd, (sockaddr *)&a, sizeof a);
    socklen_t n = sizeof a;
    getsockname(fd, (sockaddr *)&a, &n);
    close(fd);
    return ntohs(a.sin6_port);
}

// A connected socket to the loopback port (IPv4 unless ipv6), or -1.
inline int connect_to(int port, bool ipv6 = false) {
    sockaddr_in6 a6{};
    a6.sin6_family = AF_INET6;
    a6.sin6_addr = in6addr_loopback;
    a6.sin6_port = htons(port);
    sockaddr_in a4{};
    a4.sin_family = AF_INET;
    a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a4.sin_port = htons(port);
    int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    timeval tv{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    int rc = ipv6 ? connect(fd, (sockaddr *)&a6, sizeof a6) : connect(fd, (sockaddr *)&a4, sizeof a4);
    if (rc == 0) return fd;
    close(fd);
    return -1;
}

inline void send_all(int fd, const std::string &data) {
    size_t off = 0;
    while (off < data.size()) {
        ssize_t n = send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        if (n <= 0) return;
        off += (size_t)n;
    }
}

// Everything the peer sends until it closes (or 20 s pass).
inline std::string read_all(int fd) {
    std::string out;
    char buf[65536];
    ssize_t n;
    while ((n = recv(fd, buf, sizeof buf, 0)) > 0) out.append(buf, (size_t)n);
    return out;
}

// One request, the whole response; the socket is closed afterwards.
inline std::string roundtrip(int port, const std::string &request, bool ipv6 = false) {
    int fd = connect_to(port, ipv6);
    if (fd < 0) return "<no connection>";
    send_all(fd, request);
    std::string out = read_all(fd);
    close(fd);
    return out;
}

inline std::string body_of(const std::string &response) {
    size_t at = response.find("\r\n\r\n");
    return at == std::string::npos ? "" : response.substr(at + 4);
}

inline int open_fds() {
    int n = 0;
    DIR *d = opendir("/proc/self/fd");
    while (readdir(d)) n++;
    closedir(d);
    return n;
}

// The descriptor count once it has come down to at most want (a connection
// still waiting in the accept queue is taken and closed a moment later); a
// leak never comes down, and the count is returned after ms.
inline int open_fds_settled(int want, int ms = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int n;
    while ((n = open_fds()) > want && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return n;
}

// Waits until no connection is being served; false after ms.
inline bool wait_idle(int ms = 20000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (_qo_http_active_connections() != 0) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace http_test
