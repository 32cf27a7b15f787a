// e2e_test.cc -- Qo programs compiled by bin/qoc, linked with the prebuilt
// runtime library and run.
//
// Every NAME.qo here with a NAME.out is an ordinary program whose standard
// output must be exactly NAME.out. The other programs need more than their
// output compared: a test runner's exit status and failure lines, a
// program that must not compile, an HTTP service called with curl, and a
// cgi program linked with the network primitives' stand-in.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "c_program.h"
#include "driver/files.h"

namespace qo {
namespace {

namespace fs = std::filesystem;
using testing::RunResult;
using testing::shell_quote;

const fs::path kCases = fs::path(QO_SOURCE_DIR) / "tests" / "e2e";
const std::string kQoc = std::string(QO_TOOL_DIR) + "/qoc";

class E2E : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qo-cgen-e2e-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // qoc [flags] NAME.qo > NAME.c, then one cc call; the executable's path.
    std::string build(const std::string &name, const std::string &flags = "", const std::string &extra = "") {
        std::string c_file = (dir / (name + ".c")).string(), exe = (dir / name).string();
        RunResult gen = testing::run_command(kQoc + " " + flags + " " + shell_quote((kCases / (name + ".qo")).string()) +
                                             " > " + shell_quote(c_file));
        EXPECT_EQ(gen.status, 0) << name;
        RunResult cc = testing::build_c_program(c_file, exe, extra);
        EXPECT_EQ(cc.status, 0) << name << ":\n" << cc.output;
        return exe;
    }
    RunResult run(const std::string &exe, const std::string &redirect = "") {
        return testing::run_command(std::string(testing::kRunEnv) + shell_quote(exe) + redirect);
    }
};

TEST_F(E2E, ProgramsPrintTheirExpectedOutput) {
    std::size_t programs = 0;
    for (const auto &entry : fs::directory_iterator(kCases)) {
        if (entry.path().extension() != ".out") continue;
        std::string name = entry.path().stem().string();
        if (name == "cgi_network") continue;  // needs the network library: below
        SCOPED_TRACE(name);
        RunResult r = run(build(name));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, read_file(entry.path().string()));
        ++programs;
    }
    EXPECT_GE(programs, 6u);
}

TEST_F(E2E, CgiProgramPrintsItsIdentityAndUsesTheNetwork) {
    std::string stub = shell_quote((fs::path(QO_SOURCE_DIR) / "tests" / "support" / "tavri_stub.c").string());
    RunResult r = run(build("cgi_network", "", stub));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, read_file((kCases / "cgi_network.out").string()));
}

TEST_F(E2E, TestRunnerCountsFailedAssertions) {
    std::string exe = build("runner", "--test");
    std::string err = (dir / "stderr").string();
    RunResult r = run(exe, " 2>" + shell_quote(err));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.output, "2 passed, 3 failed\n");
    EXPECT_EQ(read_file(err),
              "FAIL  arithmetic                               two and two\n"
              "FAIL  arithmetic                               dynamic message\n"
              "FAIL  unnamed                                  \n");
}

TEST_F(E2E, TestRunnerStatusDoesNotWrapToSuccess) {
    RunResult r = run(build("many_failures", "--test"), " 2>/dev/null");
    EXPECT_EQ(r.output, "0 passed, 300 failed\n");
    EXPECT_EQ(r.status, 255);
}

TEST_F(E2E, CheckFindingsFailTheCCompilation) {
    std::string c_file = (dir / "violations.c").string();
    RunResult gen = testing::run_command(kQoc + " " + shell_quote((kCases / "violations.qo").string()) + " " +
                                         shell_quote(c_file));
    ASSERT_EQ(gen.status, 0);
    RunResult cc = testing::build_c_program(c_file, (dir / "violations").string());
    EXPECT_NE(cc.status, 0);
    for (const char *message :
         {"#error \"VBD violation: tavri_emit/tavri_field called from non-@manager fn 'relay'\"",
          "#error \"capability violation: 'utility' programs may not call 'llm_call' (self-formation primitive - "
          "only 'cgi' programs may use it)\"",
          "#error \"arity error: 'str_slice' takes 3 arguments, but called with 2\"",
          "#error \"temporal type error: Duration + Int is not allowed (use duration_seconds(n) or N.seconds)\""})
        EXPECT_NE(cc.output.find(message), std::string::npos) << message << "\n" << cc.output;
}

TEST_F(E2E, OutputFileAndItsFailure) {
    std::string source = shell_quote((kCases / "strings.qo").string());
    std::string out = (dir / "out.c").string();
    RunResult to_file = testing::run_command(kQoc + " " + source + " " + shell_quote(out));
    EXPECT_EQ(to_file.status, 0);
    EXPECT_EQ(to_file.output, "");
    RunResult to_stdout = testing::run_command(kQoc + " " + source);
    EXPECT_EQ(read_file(out), to_stdout.output);
    RunResult failed = testing::run_command(kQoc + " " + source + " " + shell_quote((dir / "no" / "such.c").string()));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.output, "qo-compiler: failed to write output\n");
}

int free_port() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

// curl's body followed by " <status>".
std::string curl(int port, const std::string &path, const std::string &options = "") {
    return testing::run_command("curl -s -m 5 " + options + " -w ' %{http_code}' http://127.0.0.1:" +
                                std::to_string(port) + path)
        .output;
}

TEST_F(E2E, HttpServiceAnswersRequests) {
    std::string exe = build("http_service");
    int port = free_port();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(exe.c_str(), exe.c_str(), std::to_string(port).c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    std::string hello;
    for (int tries = 0; tries < 100; ++tries) {  // up to 10 s for the server to listen
        hello = curl(port, "/hello");
        if (hello.ends_with(" 200")) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(hello, "{\"message\": \"hi\", \"method\": \"GET\"} 200");
    EXPECT_EQ(curl(port, "/echo", "--data-binary 'some body'"), "echo: some body 200");
    EXPECT_EQ(curl(port, "/missing"), "nothing here 404");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) || WIFEXITED(status));
}

}  // namespace
}  // namespace qo
