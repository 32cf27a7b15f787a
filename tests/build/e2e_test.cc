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

using qob_test::fs::path;
using qob_test::Outcome;
using qob_test::Project;
using qob_test::sq;

// The example's sources, without what an earlier build left beside them.
void copy_example(const std::string &name, const Project &p) {
    path from = path(QO_SOURCE_DIR) / "examples" / name;
    for (const auto &e : qob_test::fs::recursive_directory_iterator(from)) {
        path rel = qob_test::fs::relative(e.path(), from);
        if (*rel.begin() == "dist" || e.path().extension() == ".qoh" || !e.is_regular_file()) continue;
        p.write(rel.string(), qob_test::slurp(e.path()));
    }
}

std::string real_tools() {
    return std::string("--qoc=") + QO_TOOL_DIR "/qoc --runtime=" QO_SOURCE_DIR "/qo-compiler/runtime";
}

std::string capture(const std::string &cmd) {
    std::string text;
    FILE *f = popen(cmd.c_str(), "r");
    if (!f) return text;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    pclose(f);
    return text;
}

uint32_t fnv1a(const std::string &s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

TEST(Examples, HelloProjectBuildsAndPrints) {
    Project p;
    copy_example("hello-project", p);
    Outcome build = p.qob(real_tools(), "");
    ASSERT_EQ(build.status, 0) << build.out << build.err;
    EXPECT_EQ(build.out,
              "qob: building hello (entry: src/main.qo)\n"
              "qob: 4 modules in build graph\n"
              "  compile  src/lib/text.qo\n"
              "  compile  src/inventory.qo\n"
              "  compile  src/report.qo\n"
              "  compile  src/main.qo\n"
              "  link     dist/hello\n"
              "qob: done -> dist/hello\n");
    std::vector<std::string> lines = qob_test::lines_of(capture("cd " + sq(p.dir.string()) + " && ./dist/hello"));
    const std::string json = R"({"count":4,"items":["lamp","desk","chair","shelf"]})";
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "HELLO FROM QO!");
    EXPECT_EQ(lines[1], "items:    lamp, desk, chair, shelf");
    EXPECT_EQ(lines[2], "count:    4");
    EXPECT_EQ(lines[3], "json:     " + json);
    EXPECT_EQ(lines[4], "second:   desk");
    EXPECT_EQ(lines[5], "checksum: " + std::to_string(fnv1a(json)));  // the linked C source ran
    std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_TRUE(std::regex_match(lines[6].substr(10), iso)) << lines[6];
    EXPECT_TRUE(std::regex_match(lines[7].substr(10), iso)) << lines[7];
    EXPECT_EQ(lines[8],
              "<div class=\"report\"><h2>Stock &amp; orders</h2><ul><li>lamp</li><li>desk</li>"
              "<li>chair</li><li>shelf</li></ul></div>");
}

class Service : public ::testing::Test {
protected:
    Project p;
    int port = http_test::free_port();
    pid_t pid = -1;

    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    void start() {
        std::string cmd = "cd " + sq(p.dir.string()) + " && PORT=" + std::to_string(port) +
                          " exec ./dist/greeter >service.out 2>service.err";
        pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    // Status line, headers and body; the first call waits for the server.
    std::string curl(const std::string &options, const std::string &target) {
        return capture("curl -s -i --max-time 20 --retry 40 --retry-connrefused --retry-delay 1 " + options +
                       " 'http://127.0.0.1:" + std::to_string(port) + target + "'");
    }
};

TEST_F(Service, AnswersThroughHandlersAndThreadsFoundByName) {
    copy_example("web-service", p);
    Outcome build = p.qob(real_tools(), "");
    ASSERT_EQ(build.status, 0) << build.out << build.err;
    start();
    EXPECT_EQ(curl("", "/hello/Ada%20L"),
              "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: 43\r\n"
              "Connection: close\r\n\r\n{\"greeting\":\"Hello, Ada L!\",\"method\":\"GET\"}");
    EXPECT_EQ(curl("-X POST --data-binary 'say \"hi\"'", "/echo"),
              "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: 21\r\n"
              "Connection: close\r\n\r\n{\"echo\":\"say \\\"hi\\\"\"}");
    EXPECT_EQ(curl("", "/nope"),
              "HTTP/1.1 404 Not Found\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: 30\r\n"
              "Connection: close\r\n\r\n{\"error\":\"no route for /nope\"}");
    std::string home = curl("", "/");
    EXPECT_TRUE(home.starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n")) << home;
    EXPECT_NE(home.find("<p>Visits so far: 4</p>"), std::string::npos) << home;
    // warm_up ran on a thread started by name before the server started.
    EXPECT_EQ(p.read("service.out"),
              "warmed up for greeter\ngreeter: listening on port " + std::to_string(port) + "\n");
}

}  // namespace
