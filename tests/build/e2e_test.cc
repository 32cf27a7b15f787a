// The two examples built by qob with the real compiler and the system C
// compiler (one full link each, the runtime compiled from source), then
// run: the multi-module program's output, and the web service answering
// curl through a handler and a thread function that the runtime finds by
// name in a program linked without any export flag.
#include <signal.h>

#include <regex>

#include "../web/http_client.h"
#include "project.h"

namespace {

using namespace qob_test;
using qo::testing::run_command;

// The example's sources, without what an earlier build left beside them,
// built with the real compiler and runtime; returns qob's messages.
std::string build_example(const std::string &name, const Project &p) {
    fs::path from = fs::path(QO_SOURCE_DIR) / "examples" / name;
    for (const auto &e : fs::recursive_directory_iterator(from)) {
        fs::path rel = fs::relative(e.path(), from);
        if (*rel.begin() != "dist" && e.path().extension() != ".qoh" && e.is_regular_file())
            p.write(rel.string(), qo::read_file(e.path().string()));
    }
    Outcome build = p.qob("--qoc=" QO_TOOL_DIR "/qoc --runtime=" QO_SOURCE_DIR "/qo-compiler/runtime", "");
    EXPECT_EQ(build.status, 0) << build.out << build.err;
    return build.out;
}

uint32_t fnv1a(const std::string &s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

TEST(Examples, HelloProjectBuildsAndPrints) {
    Project p;
    EXPECT_EQ(build_example("hello-project", p),
              "qob: building hello (entry: src/main.qo)\nqob: 4 modules in build graph\n"
              "  compile  src/lib/text.qo\n  compile  src/inventory.qo\n  compile  src/report.qo\n"
              "  compile  src/main.qo\n  link     dist/hello\nqob: done -> dist/hello\n");
    Lines lines = lines_of(run_command("cd " + shell_quote(p.dir.string()) + " && ./dist/hello").output);
    const std::string json = R"({"count":4,"items":["lamp","desk","chair","shelf"]})";
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6),
              (Lines{"HELLO FROM QO!", "items:    lamp, desk, chair, shelf", "count:    4", "json:     " + json,
                     "second:   desk", "checksum: " + std::to_string(fnv1a(json))}));  // the linked C source ran
    std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_TRUE(std::regex_match(lines[6].substr(10), iso)) << lines[6];
    EXPECT_TRUE(std::regex_match(lines[7].substr(10), iso)) << lines[7];
    EXPECT_EQ(lines[8], "<div class=\"report\"><h2>Stock &amp; orders</h2><ul><li>lamp</li><li>desk</li>"
                        "<li>chair</li><li>shelf</li></ul></div>");
}

class Service : public ::testing::Test {
protected:
    Project p;
    int port = http_test::free_port();
    pid_t pid = -1;

    void TearDown() override {
        if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }
    void start() {
        std::string cmd = "cd " + shell_quote(p.dir.string()) + " && PORT=" + std::to_string(port) +
                          " exec ./dist/greeter >service.out 2>service.err";
        if ((pid = fork()) == 0) {
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    // Status line, headers and body; the first call waits for the server.
    std::string curl(const std::string &options, const std::string &target) {
        return run_command("curl -s -i --max-time 20 --retry 40 --retry-connrefused --retry-delay 1 " + options +
                           " 'http://127.0.0.1:" + std::to_string(port) + target + "'")
            .output;
    }
};

// A JSON answer as the server sends it.
std::string json_response(const std::string &status, const std::string &body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

TEST_F(Service, AnswersThroughHandlersAndThreadsFoundByName) {
    build_example("web-service", p);
    ASSERT_FALSE(HasFailure());
    start();
    EXPECT_EQ(curl("", "/hello/Ada%20L"), json_response("200 OK", R"({"greeting":"Hello, Ada L!","method":"GET"})"));
    EXPECT_EQ(curl("-X POST --data-binary 'say \"hi\"'", "/echo"), json_response("200 OK", R"({"echo":"say \"hi\""})"));
    EXPECT_EQ(curl("", "/nope"), json_response("404 Not Found", R"({"error":"no route for /nope"})"));
    std::string home = curl("", "/");
    EXPECT_TRUE(home.starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n")) << home;
    EXPECT_NE(home.find("<p>Visits so far: 4</p>"), std::string::npos) << home;
    // warm_up ran on a thread started by name before the server started.
    EXPECT_EQ(p.read("service.out"), "warmed up for greeter\ngreeter: listening on port " + std::to_string(port) + "\n");
}

}  // namespace
