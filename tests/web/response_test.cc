// What a handler's text turns into on the wire: envelopes, the status
// member, sniffed types, reason phrases, HEAD and file bodies. Written to
// one end of a socket pair and read back from the other.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "arena_scope.h"
#include "qo_runtime.h"

namespace {

// file_len > 0 sends text as the block a file read returned; the length of
// a read of some other block is given as other_len.
std::string send_and_read(const std::string &text, int64_t file_len = 0, bool head = false, int64_t other_len = 0) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return "<socketpair>";
    static const char other_block[] = "another file";
    _tl_fs_read_len = file_len ? file_len : other_len;
    _tl_fs_read_buf = file_len ? text.c_str() : other_len ? other_block : nullptr;
    _tl_http_head_only = head;
    http_send_response(sv[0], QO_STR(text.c_str()));
    _tl_http_head_only = 0;
    close(sv[0]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(sv[1], buf, sizeof buf)) > 0) out.append(buf, (size_t)n);
    close(sv[1]);
    return out;
}

std::string response(int status, const char *reason, const std::string &headers, const std::string &body) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" + headers + "Content-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

const char *kText = "Content-Type: text/plain; charset=utf-8\r\n";
const char *kJson = "Content-Type: application/json; charset=utf-8\r\n";

std::string envelope(qo_val_t status, const char *headers, const char *body) {
    return (const char *)(intptr_t)http_response(status, QO_STR(headers), QO_STR(body));
}

TEST(Responses, PlainTextAndSniffedTypes) {
    EXPECT_EQ(send_and_read("hello"), response(200, "OK", kText, "hello"));
    EXPECT_EQ(send_and_read("  {\"a\":1}"), response(200, "OK", kJson, "  {\"a\":1}"));
    EXPECT_EQ(send_and_read("\n[1]"), response(200, "OK", kJson, "\n[1]"));
    EXPECT_EQ(send_and_read("<!doctype html><p>"),
              response(200, "OK", "Content-Type: text/html; charset=utf-8\r\n", "<!doctype html><p>"));
    EXPECT_EQ(send_and_read(" <HTML>"), response(200, "OK", "Content-Type: text/html; charset=utf-8\r\n", " <HTML>"));
    EXPECT_EQ(send_and_read("<svg/>"), response(200, "OK", "Content-Type: image/svg+xml\r\n", "<svg/>"));
    EXPECT_EQ(send_and_read(""), response(200, "OK", kText, ""));
    const char *types[][2] = {{"\xFF\xD8\xFF", "image/jpeg"}, {"GIF89a", "image/gif"}, {"RIFFxxxxWEBP", "image/webp"},
                              {"wOFFabcd", "font/woff"},   {"wOF2abcd", "font/woff2"}, {"\x89PNX", "text/plain; charset=utf-8"}};
    for (auto &t : types)
        EXPECT_EQ(send_and_read(t[0]), response(200, "OK", std::string("Content-Type: ") + t[1] + "\r\n", t[0]));
}

TEST(Responses, FileBodiesKeepTheirNulBytes) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    std::string r = send_and_read(png, 16);
    EXPECT_EQ(r, response(200, "OK", "Content-Type: image/png\r\n", png));
    EXPECT_EQ(_tl_fs_read_len, 0); // consumed
    // The length of another block's read never stretches this text.
    EXPECT_EQ(send_and_read("short", 0, false, 4096), response(200, "OK", kText, "short"));
    // HEAD: the full length, no body.
    EXPECT_EQ(send_and_read(png, 16, true), response(200, "OK", "Content-Type: image/png\r\n", png).substr(0, r.size() - 16));
}

TEST(Responses, StatusMember) {
    EXPECT_EQ(send_and_read("{\"__status__\":404,\"error\":\"x\"}"), response(404, "Not Found", kJson, "{\"error\":\"x\"}"));
    EXPECT_EQ(send_and_read(" { \"__status__\" : 201 } "), response(201, "Created", kJson, "{}"));
    EXPECT_EQ(send_and_read("{\"__status__\":422,\n  \"a\":1}"), response(422, "Unprocessable Entity", kJson, "{\"a\":1}"));
    for (const char *same : {"{\"__status__\":99,\"a\":1}", "{\"__status__\":600}", "{\"__status__\":\"404\"}",
                             "{\"__status__\":404 x}", "{\"a\":1,\"__status__\":404}", "{\"__status__\":}"})
        EXPECT_EQ(send_and_read(same), response(200, "OK", kJson, same)) << same;
    EXPECT_EQ(send_and_read("{\"__status__\":418}"), response(418, "Status", kJson, "{}"));
}

TEST(Responses, EnvelopesSetStatusHeadersAndBody) {
    EXPECT_EQ(envelope(404, "{\"X-A\":\"1\"}", "no\"pe"),
              "{\"qo_http_response\":1,\"status\":404,\"headers\":{\"X-A\":\"1\"},\"body\":\"no\\\"pe\"}");
    EXPECT_EQ(send_and_read(envelope(404, "{\"X-A\":\"1\"}", "no\"pe")),
              response(404, "Not Found", std::string("X-A: 1\r\n") + kText, "no\"pe"));
    EXPECT_EQ(envelope(700, "x", "b"), "{\"qo_http_response\":1,\"status\":200,\"headers\":{},\"body\":\"b\"}");
    EXPECT_EQ(envelope(99, "{", 0), "{\"qo_http_response\":1,\"status\":200,\"headers\":{},\"body\":\"\"}");
    // Length and connection are the writer's; a given type replaces sniffing.
    EXPECT_EQ(send_and_read(envelope(302, "{\"Location\":\"/x\",\"content-length\":\"99\",\"CONNECTION\":\"keep-alive\","
                                          "\"content-type\":\"text/csv\"}",
                                     "a,b")),
              response(302, "Found", "Location: /x\r\ncontent-type: text/csv\r\n", "a,b"));
}

TEST(Responses, EnvelopeOddities) {
    // No header can be smuggled in with a line break; values that are not
    // strings are skipped; a body that is not a string is empty.
    std::string smuggle = "{\"qo_http_response\":1,\"status\":200,\"headers\":{\"X-A\":\"1\\r\\nSet-Cookie: a=b\","
                          "\"X\\nB\":\"2\",\"X-N\":5,\"X-OK\":\"y\"},\"body\":7}";
    EXPECT_EQ(send_and_read(smuggle), response(200, "OK", std::string("X-OK: y\r\n") + kText, ""));
    // Not valid JSON: the envelope text itself is the body.
    std::string broken = "{\"qo_http_response\":1,\"status\":404";
    EXPECT_EQ(send_and_read(broken), response(200, "OK", kJson, broken));
    // The envelope form is recognised by its exact first bytes only.
    std::string spaced = "{\"qo_http_response\": 1,\"status\":404}";
    EXPECT_EQ(send_and_read(spaced), response(200, "OK", kJson, spaced));
    std::string status_float = "{\"qo_http_response\":1,\"status\":404.0,\"body\":\"b\"}";
    EXPECT_EQ(send_and_read(status_float), response(200, "OK", kText, "b"));
}

}  // namespace
