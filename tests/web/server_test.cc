// The HTTP server against real clients on loopback: exact responses, HEAD,
// bodies, the headers Map, the connection limit, and clients that misbehave.
// Handlers are found by name in this program, linked without exporting its
// symbols.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "arena_scope.h"
#include "http_client.h"

using namespace http_test;

namespace {
std::atomic<int> g_entered{0};
std::atomic<bool> g_gate_open{false};
// Handed to the handlers across threads; the release store orders the
// file name before it.
std::atomic<const char *> g_file_path{""};
char g_file_name[64];

qo_val_t str(const std::string &s) { return _qo_str_from(s.data(), s.size()); }
std::string text(qo_val_t v) { return _qo_cstr(v); }
}  // namespace

extern "C" {
qo_val_t qo_test_echo(qo_val_t m, qo_val_t p, qo_val_t b) {
    return str(text(m) + "|" + text(p) + "|" + text(b));
}
qo_val_t qo_test_body_len(qo_val_t, qo_val_t, qo_val_t b) { return str(std::to_string(strlen((char *)(intptr_t)b))); }
qo_val_t qo_test_headers(qo_val_t m, qo_val_t, qo_val_t h, qo_val_t b) {
    qo_map *map = (qo_map *)(intptr_t)h;
    return str(text(m) + "|" + text(qo_map_get(h, QO_STR("content-type"))) + "|" +
               text(qo_map_get(h, QO_STR("x-t"))) + "|" + std::to_string(map->len) + "|" + text(b));
}
qo_val_t qo_test_gate(qo_val_t, qo_val_t, qo_val_t) {
    g_entered++;
    while (!g_gate_open) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return QO_STR("done");
}
qo_val_t qo_test_big(qo_val_t, qo_val_t, qo_val_t) { return str(std::string(8 << 20, 'x')); }
qo_val_t qo_test_file(qo_val_t, qo_val_t, qo_val_t) { return fs_read(QO_STR(g_file_path.load())); }
qo_val_t qo_test_file_then_short(qo_val_t, qo_val_t, qo_val_t) {
    fs_read(QO_STR(g_file_path.load()));
    return QO_STR("ok");
}
qo_val_t qo_test_int(qo_val_t, qo_val_t, qo_val_t) { return 12345; }
qo_val_t qo_test_switcher(qo_val_t, qo_val_t, qo_val_t) {
    http_set_handler(QO_STR("qo_test_echo"));
    return QO_STR("switched");
}
}

namespace {

// Writes a temporary file for the file handlers to read.
bool serve_file(const std::string &content) {
    int fd = mkstemp(strcpy(g_file_name, "/tmp/qo-web-file-XXXXXX"));
    bool ok = fd >= 0 && write(fd, content.data(), content.size()) == (ssize_t)content.size();
    close(fd);
    g_file_path.store(g_file_name);
    return ok;
}

std::string plain(const std::string &body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

class Server : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        _qo_http_set_io_timeout_ms(3000);
        port_ = free_port();
        http_serve_async(port_, QO_STR("qo_test_echo"));
        port4_ = free_port();
        std::thread([] { http_serve_v2(port4_, QO_STR("qo_test_headers")); }).detach();
        for (int i = 0; i < 200 && roundtrip(port4_, "GET / HTTP/1.1\r\n\r\n").empty(); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void SetUp() override { http_set_handler(QO_STR("qo_test_echo")); }
    void TearDown() override { EXPECT_TRUE(wait_idle()); }
    static int port_, port4_;
};
int Server::port_, Server::port4_;

TEST_F(Server, AnswersPlainTextExactly) {
    EXPECT_EQ(roundtrip(port_, "GET /a?b=%20 HTTP/1.1\r\nHost: x\r\n\r\n"), plain("GET|/a?b=%20|"));
    EXPECT_EQ(roundtrip(port_, "DELETE /x HTTP/1.0\r\n\r\n", true), plain("DELETE|/x|"));
}

TEST_F(Server, HeadGetsTheGetHeadersWithoutBody) {
    std::string get = roundtrip(port_, "GET /h HTTP/1.1\r\n\r\n");
    std::string head = roundtrip(port_, "HEAD /h HTTP/1.1\r\n\r\n");
    EXPECT_EQ(head, get.substr(0, get.size() - body_of(get).size()));
    EXPECT_NE(head.find("Content-Length: 7\r\n"), std::string::npos);
}

TEST_F(Server, CurlPostsABody) {
    std::string cmd = "curl -s -m 20 --data-binary 'a=1&b=two' http://127.0.0.1:" + std::to_string(port_) + "/form";
    FILE *p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    EXPECT_EQ(out, "POST|/form|a=1&b=two");
}

TEST_F(Server, BodiesFollowContentLength) {
    http_set_handler(QO_STR("qo_test_body_len"));
    // Extra bytes past the length are ignored; the last header wins.
    EXPECT_EQ(body_of(roundtrip(port_, "POST / HTTP/1.1\r\ncontent-length: 9\r\nContent-Length:  3\r\n\r\nabcdef")), "3");
    EXPECT_EQ(body_of(roundtrip(port_, "POST / HTTP/1.1\r\nContent-Length: -4\r\n\r\nabc")), "0");
    // Clients that promise more than they send and close their side; a
    // huge promise is clamped, never allocated.
    for (const char *length : {"10", "99999999999999999999"}) {
        int fd = connect_to(port_);
        send_all(fd, std::string("POST / HTTP/1.1\r\nContent-Length: ") + length + "\r\n\r\nabcd");
        shutdown(fd, SHUT_WR);
        EXPECT_EQ(body_of(read_all(fd)), "4") << length;
        close(fd);
    }
    // A large body arriving in many pieces.
    std::string big(3 << 20, 'z');
    EXPECT_EQ(body_of(roundtrip(port_, "PUT / HTTP/1.1\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n" + big)),
              std::to_string(big.size()));
}

TEST_F(Server, SecondFormSeesAHeadersMap) {
    std::string r = roundtrip(port4_, "POST /p HTTP/1.1\r\nContent-Type:  text/x \r\nX-T: a\r\nno colon\r\n:bad\r\n"
                                     "x-t:b\r\nContent-Length: 2\r\n\r\nhi");
    EXPECT_EQ(body_of(r), "POST|text/x|a, b|3|hi");
    EXPECT_EQ(body_of(roundtrip(port4_, "HEAD / HTTP/1.1\r\n\r\n")), "");
    EXPECT_EQ(body_of(roundtrip(port4_, "GET / HTTP/1.1\r\n\r\n")), "GET|||0|");
}

TEST_F(Server, MissingHandlersAnswerWithTheirText) {
    http_set_handler(QO_STR("qo_test_not_a_function"));
    EXPECT_EQ(roundtrip(port_, "GET / HTTP/1.1\r\n\r\n"), plain("qo-runtime: no http handler registered"));
    http_set_handler(0);
    EXPECT_EQ(body_of(roundtrip(port_, "GET / HTTP/1.1\r\n\r\n")), "qo-runtime: no http handler registered");
    http_set_handler_v2(QO_STR(""));
    EXPECT_EQ(body_of(roundtrip(port4_, "GET / HTTP/1.1\r\n\r\n")),
              "qo-runtime: no v2 http handler registered (call http_set_handler_v2)");
    http_set_handler_v2(QO_STR("qo_test_headers"));
}

TEST_F(Server, HandlersMaySwitchTheActiveHandler) {
    http_set_handler(QO_STR("qo_test_switcher"));
    EXPECT_EQ(body_of(roundtrip(port_, "GET / HTTP/1.1\r\n\r\n")), "switched");
    EXPECT_EQ(body_of(roundtrip(port_, "GET /next HTTP/1.1\r\n\r\n")), "GET|/next|");
}

TEST_F(Server, OddHandlerResults) {
    http_set_handler(QO_STR("qo_test_int"));
    EXPECT_EQ(body_of(roundtrip(port_, "GET / HTTP/1.1\r\n\r\n")), "12345");
    // After fs_read, a different and shorter result is sent as itself.
    ASSERT_TRUE(serve_file("0123456789"));
    http_set_handler(QO_STR("qo_test_file_then_short"));
    EXPECT_EQ(roundtrip(port_, "GET / HTTP/1.1\r\n\r\n"), plain("ok"));
    unlink(g_file_name);
}

TEST_F(Server, FilesWithNulBytesAreSentWhole) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01", 20);
    ASSERT_TRUE(serve_file(png));
    http_set_handler(QO_STR("qo_test_file"));
    std::string r = roundtrip(port_, "GET /img HTTP/1.1\r\n\r\n");
    EXPECT_NE(r.find("Content-Type: image/png\r\n"), std::string::npos);
    EXPECT_NE(r.find("Content-Length: 20\r\n"), std::string::npos);
    EXPECT_EQ(body_of(r), png);
    unlink(g_file_name);
}

TEST_F(Server, ConcurrentClientsGetTheirOwnAnswers) {
    std::vector<std::thread> ts;
    std::atomic<int> ok{0};
    for (int t = 0; t < 16; t++)
        ts.emplace_back([&, t] {
            for (int i = 0; i < 8; i++) {
                std::string path = "/c" + std::to_string(t) + "-" + std::to_string(i);
                if (roundtrip(port_, "GET " + path + " HTTP/1.1\r\n\r\n") == plain("GET|" + path + "|")) ok++;
            }
        });
    for (auto &t : ts) t.join();
    EXPECT_EQ(ok.load(), 128);
}

TEST_F(Server, MalformedRequestsAreDroppedAndServingGoesOn) {
    ASSERT_TRUE(wait_idle());
    int fds_before = open_fds();
    std::string garbage;
    for (int i = 0; i < 4096; i++) {
        char c = (char)(i * 7919 % 256);
        garbage += c == ' ' || c == '\r' || c == '\n' ? '\x01' : c; // no request line in it
    }
    const std::vector<std::string> bad = {
        "NOSPACES\r\n\r\n",
        "GET /only-one-space\r\nHost: a b\r\n\r\n",
        "GET / HTTP/1.1\r\nX: " + std::string(1100000, 'a') + "\r\n\r\n", // head too large
        garbage + "\r\n\r\n",
        "GET / HTTP/1.1\r\nHost: half a head",                            // then closes
        "",                                                                 // connect and close
    };
    for (const std::string &req : bad) {
        int fd = connect_to(port_);
        send_all(fd, req);
        shutdown(fd, SHUT_WR);
        EXPECT_EQ(read_all(fd), "") << req.substr(0, 40);
        close(fd);
    }
    // A client that resets the connection in the middle of its head.
    int fd = connect_to(port_);
    send_all(fd, "GET / HT");
    linger lg{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    close(fd);
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(open_fds_settled(fds_before), fds_before);
    EXPECT_EQ(roundtrip(port_, "GET /still HTTP/1.1\r\n\r\n"), plain("GET|/still|"));
    // A head just under the limit is still read.
    EXPECT_EQ(body_of(roundtrip(port_, "GET /big HTTP/1.1\r\nX: " + std::string(1040000, 'a') + "\r\n\r\n")),
              "GET|/big|");
}

TEST_F(Server, ClientGoingAwayMidResponseIsHarmless) {
    http_set_handler(QO_STR("qo_test_big"));
    for (int i = 0; i < 3; i++) {
        int fd = connect_to(port_);
        send_all(fd, "GET / HTTP/1.1\r\n\r\n");
        char buf[100];
        ASSERT_GT(recv(fd, buf, sizeof buf, 0), 0);
        linger lg{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        close(fd); // the rest of 8 MiB now goes to a reset connection
    }
    http_set_handler(QO_STR("qo_test_echo"));
    EXPECT_EQ(roundtrip(port_, "GET /alive HTTP/1.1\r\n\r\n"), plain("GET|/alive|"));
}

TEST_F(Server, AtMostSixtyFourHandlersRunAtOnce) {
    http_set_handler(QO_STR("qo_test_gate"));
    g_entered = 0;
    g_gate_open = false;
    std::vector<int> fds;
    for (int i = 0; i < 65; i++) {
        int fd = connect_to(port_);
        ASSERT_GE(fd, 0);
        send_all(fd, "GET / HTTP/1.1\r\n\r\n");
        fds.push_back(fd);
    }
    for (int i = 0; i < 2000 && g_entered < 64; i++) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(g_entered.load(), 64);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(g_entered.load(), 64);
    EXPECT_EQ(_qo_http_active_connections(), 64);
    g_gate_open = true;
    for (int fd : fds) {
        EXPECT_EQ(body_of(read_all(fd)), "done");
        close(fd);
    }
    EXPECT_EQ(g_entered.load(), 65);
}

TEST_F(Server, IdleClientsCannotHoldTheSlots) {
    _qo_http_set_io_timeout_ms(300);
    std::vector<int> idle;
    for (int i = 0; i < 64; i++) idle.push_back(connect_to(port_));
    send_all(idle[0], "GET / HTTP/1.1\r\n"); // a head that never ends
    send_all(idle[1], "POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nshort");
    // All 64 slots are taken by silent clients; this one still gets served.
    EXPECT_EQ(roundtrip(port_, "GET /late HTTP/1.1\r\n\r\n"), plain("GET|/late|"));
    EXPECT_EQ(read_all(idle[0]), "");
    EXPECT_EQ(body_of(read_all(idle[1])), "POST|/|short"); // served with what arrived
    for (int fd : idle) close(fd);
    _qo_http_set_io_timeout_ms(3000);
}

TEST(ServerSetup, BadPortsAndBusyPortsReport) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(http_serve(0, 0), 0);
    EXPECT_EQ(http_serve_v2(70000, 0), 0);
    http_serve_async(-1, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "http_serve: invalid port 0\nhttp_serve_v2: invalid port 70000\nhttp_serve_async: invalid port -1\n");
    int port = free_port();
    int fd = socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    ASSERT_EQ(bind(fd, (sockaddr *)&a, sizeof a), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(http_serve(port, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("bind: ", 0), 0u);
    close(fd);
    EXPECT_EQ(__http_sse_open(), 0);
    EXPECT_EQ(__http_conn_fd(), -1);
}

}  // namespace
