// Files in a temporary folder (NUL bytes, nested directories, listings of
// odd names), standard output redirection and the cgi identity line, the
// console readers, commands (statuses, captured output, the time limit that
// kills a whole process group, detached commands that leave no zombie) and
// the environment.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "qo_runtime.h"

namespace {

std::string S(qo_val_t v) { return QO_STR_PTR(v); }
qo_val_t V(const std::string &s) { return QO_STR(s.c_str()); }

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class IoFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qo-io-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    std::string P(const std::string &name) const { return dir + "/" + name; }
    std::string dir;
};

TEST_F(IoFiles, BytesWithNulRoundTrip) {
    const char data[] = {'a', '\0', 'b', '\n', '\0'};
    ASSERT_EQ(fs_write_bytes(V(P("nul.bin")), QO_STR(data), 5), 1);
    qo_val_t back = fs_read(V(P("nul.bin")));
    EXPECT_EQ(_tl_fs_read_len, 5);
    EXPECT_EQ(strlen(QO_STR_PTR(back)), 1u);
    EXPECT_EQ(memcmp(QO_STR_PTR(back), data, 5), 0);
    EXPECT_EQ(QO_STR_PTR(back)[5], '\0');

    // A byte buffer cannot be asked for more bytes than it holds.
    qo_val_t bytes = _qo_bytes_new(data, 3);
    EXPECT_EQ(fs_write_bytes(V(P("b.bin")), bytes, 3), 1);
    EXPECT_EQ(Slurp(P("b.bin")), std::string(data, 3));
    EXPECT_EQ(fs_write_bytes(V(P("c.bin")), bytes, 4), 0);
    EXPECT_EQ(fs_exists(V(P("c.bin"))), 0);

    EXPECT_EQ(fs_write_bytes(V(P("empty")), QO_STR(""), 0), 1);
    EXPECT_EQ(fs_exists(V(P("empty"))), 1);
    EXPECT_EQ(S(fs_read(V(P("empty")))), "");
    EXPECT_EQ(_tl_fs_read_len, 0);
    EXPECT_EQ(fs_write_bytes(V(P("neg")), QO_STR("x"), -1), 0);
    EXPECT_EQ(fs_exists(V(P("neg"))), 0);
    // A failed open creates nothing and reports failure.
    EXPECT_EQ(fs_write_bytes(V(P("no/such/dir")), QO_STR("x"), 1), 0);
}

TEST_F(IoFiles, ReadWriteAndTheirFailures) {
    ASSERT_EQ(fs_write(V(P("t.txt")), QO_STR("hello\n")), 1);
    EXPECT_EQ(S(fs_read(V(P("t.txt")))), "hello\n");
    EXPECT_EQ(_tl_fs_read_len, 6);
    ASSERT_EQ(fs_write(V(P("t.txt")), QO_STR("x")), 1);  // truncates
    EXPECT_EQ(S(__fs_read(V(P("t.txt")))), "x");

    _tl_fs_read_len = 7;
    EXPECT_EQ(S(fs_read(V(P("missing")))), "");
    EXPECT_EQ(_tl_fs_read_len, 0);
    EXPECT_EQ(S(fs_read(V(dir))), "");  // a directory is not a file
    // Nor is a pipe, and one with no writer must not block the read. The
    // read runs in a child so that a regression fails here instead of
    // hanging the suite.
    ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
    pid_t child = fork();
    if (child == 0) _exit(S(fs_read(V(P("fifo")))).empty() ? 0 : 1);
    int status = -1;
    for (int i = 0; i < 500 && waitpid(child, &status, WNOHANG) == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (status == -1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fs_write(V(P("none/t.txt")), QO_STR("x")), 0);
    // Files that report no size are read to their end.
    EXPECT_NE(S(fs_read(QO_STR("/proc/self/status"))).find("Pid:"), std::string::npos);
    // A full device: the loss shows only when the buffer reaches it.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(fs_write(QO_STR("/dev/full"), QO_STR("x")), 0);
    }
}

TEST_F(IoFiles, NestedMkdirAndExists) {
    EXPECT_EQ(fs_mkdir(V(P("a/b/c"))), 1);
    struct stat st;
    ASSERT_EQ(stat(P("a/b/c").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0755 & ~mask);
    EXPECT_EQ(fs_mkdir(V(P("a/b/c"))), 1);
    EXPECT_EQ(fs_mkdir(V(P("a/b/d/"))), 1);
    EXPECT_EQ(fs_exists(V(P("a/b/d"))), 1);

    ASSERT_EQ(fs_write(V(P("file")), QO_STR("x")), 1);
    EXPECT_EQ(fs_mkdir(V(P("file/sub"))), 0);
    EXPECT_EQ(fs_mkdir(V(P("file"))), 0);  // exists, but not as a directory
    EXPECT_EQ(fs_mkdir(QO_STR("")), 0);
    EXPECT_EQ(fs_exists(V(P("nope"))), 0);
}

TEST_F(IoFiles, ListingsAsListAndAsJson) {
    EXPECT_EQ(S(fs_list_json(V(dir))), "[]");
    EXPECT_EQ(S(fs_list_json(V(P("missing")))), "[]");
    EXPECT_EQ(qo_list_len(fs_list(V(P("missing")))), 0);

    // One odd name per folder, so the order the system returns is moot.
    const std::pair<std::string, std::string> odd[] = {
        {"say \"hi\"", "[\"say \\\"hi\\\"\"]"},
        {"back\\slash", "[\"back\\\\slash\"]"},
        {"nl\ntab\t", "[\"nl\\ntab\\t\"]"},
        {"cr\r\x01", "[\"cr\\r\\u0001\"]"},
        {"caf\xc3\xa9", "[\"caf\xc3\xa9\"]"},
    };
    int i = 0;
    for (const auto &[name, json] : odd) {
        std::string sub = P("d" + std::to_string(i++));
        ASSERT_EQ(fs_mkdir(V(sub)), 1);
        ASSERT_EQ(fs_write(V(sub + "/" + name), QO_STR("")), 1);
        EXPECT_EQ(S(fs_list_json(V(sub))), json);
        qo_val_t l = fs_list(V(sub));
        ASSERT_EQ(qo_list_len(l), 1);
        EXPECT_EQ(S(qo_list_get(l, 0)), name);
    }
    // The top folder lists the five folders (no "." or "..").
    EXPECT_EQ(qo_list_len(fs_list(V(dir))), 5);
    EXPECT_EQ(json_array_len(fs_list_json(V(dir))), 5);
}

// Runs body with standard output going to a file; returns what was written.
template <typename F>
std::string CaptureStdout(const std::string &path, F body) {
    EXPECT_EQ(stdout_to_file(V(path)), 0);
    body();
    stdout_restore();
    return Slurp(path);
}

TEST_F(IoFiles, StdoutRedirectionRoundTrip) {
    struct stat before, after;
    ASSERT_EQ(fstat(1, &before), 0);
    std::string out = CaptureStdout(P("out.txt"), [] {
        print(QO_STR("a"));
        print(0);
        println(QO_STR("b"));
        println(0);
        printf("c");
        const char raw[] = {'x', '\0', 'y'};
        __print_raw(_qo_bytes_new(raw, 3));
        system("echo child");
    });
    EXPECT_EQ(out, std::string("ab\n\ncx\0ychild\n", 14));
    ASSERT_EQ(fstat(1, &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(_qo_saved_stdout_fd, -1);
    struct stat st;
    ASSERT_EQ(stat(P("out.txt").c_str(), &st), 0);
    EXPECT_EQ((int)(st.st_mode & 0777), 0600);

    // A second redirection before the restore still restores the real one.
    EXPECT_EQ(stdout_to_file(V(P("one.txt"))), 0);
    EXPECT_EQ(stdout_to_file(V(P("two.txt"))), 0);
    println(QO_STR("second"));
    stdout_restore();
    ASSERT_EQ(fstat(1, &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(Slurp(P("two.txt")), "second\n");

    EXPECT_EQ(stdout_to_file(0), -1);
    EXPECT_EQ(stdout_to_file(V(P("no/dir/x"))), -1);
    stdout_restore();
    ASSERT_EQ(fstat(1, &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(stdout_restore(), 0);  // nothing saved: harmless
}

TEST_F(IoFiles, CgiIdentityLine) {
    std::string out = CaptureStdout(P("cgi.txt"), [] {
        qo_cgi_init(0, 0, 0, 0, 0);
        qo_cgi_init(QO_STR("svc"), QO_STR("t-1"), QO_STR("me"), QO_STR("testnet"), QO_STR("http://e:1"));
    });
    EXPECT_EQ(out,
              "[cgi] identity: name=(unset) tavri_id=(unset) principal=(unset) network=tavri-mainnet "
              "engram=http://localhost:8742\n"
              "[cgi] identity: name=svc tavri_id=t-1 principal=me network=testnet engram=http://e:1\n");
}

// Standard input from a pipe holding `input`, for the length of body.
template <typename F>
void WithStdin(const std::string &input, F body) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        EXPECT_EQ(write(fds[1], input.data(), input.size()), (ssize_t)input.size());
        close(fds[1]);
    });
    int saved = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    clearerr(stdin);
    body();
    writer.join();
    dup2(saved, 0);
    close(saved);
    clearerr(stdin);
}

TEST(IoConsole, ReadlineAndReadN) {
    WithStdin("abc\r\n" + std::string(5000, 'x') + "\nlast", [] {
        EXPECT_EQ(S(readline()), "abc\r");
        EXPECT_EQ(S(__readline()).size(), 4095u);  // a long line comes in pieces
        EXPECT_EQ(S(readline()), std::string(905, 'x'));
        EXPECT_EQ(S(__read_n(2)), "la");
        EXPECT_EQ(S(__read_n(0)), "");
        EXPECT_EQ(S(__read_n(10)), "st");
        EXPECT_EQ(S(readline()), "");
        EXPECT_EQ(S(__read_n(3)), "");
    });
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator aborts instead of failing
    // A request no memory can satisfy is reported, not fatal.
    testing::internal::CaptureStderr();
    EXPECT_EQ(S(__read_n(INT64_MAX / 2)), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "qo_runtime: __read_n: out of memory\n");
#endif
}

TEST(IoProcess, StatusesAndCapturedOutput) {
    EXPECT_EQ(exec_command(QO_STR("exit 3")), 768);
    EXPECT_EQ(exec_command(QO_STR("true")), 0);
    qo_val_t killed = exec_command(QO_STR("kill -TERM $$"));
    EXPECT_TRUE(WIFSIGNALED(killed));
    EXPECT_EQ(WTERMSIG(killed), SIGTERM);
    EXPECT_EQ(exec_command(0), -1);

    EXPECT_EQ(S(exec_capture(QO_STR("printf 'a\\nb'; echo err >&2"))), "a\nb");
    EXPECT_EQ(S(exec_capture(QO_STR("head -c 100000 /dev/zero | tr '\\0' z"))), std::string(100000, 'z'));
    EXPECT_EQ(S(exec(QO_STR("echo hi; exit 7"))), "hi\n");
    EXPECT_EQ(S(__exec(QO_STR(""))), "");
    // Nothing is left to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

// True once pid is gone or only a zombie awaiting its new parent.
bool Gone(pid_t pid) {
    for (int i = 0; i < 500; i++) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) return true;
        size_t close = line.rfind(')');
        if (close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z') return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

pid_t ReadPid(const std::string &path) {
    for (int i = 0; i < 500; i++) {
        std::string text = Slurp(path);
        if (!text.empty() && text.back() == '\n') return (pid_t)std::stol(text);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

TEST_F(IoFiles, TimeLimitKillsTheWholeGroup) {
    // The shell exits at once but its background child keeps the pipe
    // open: only the limit ends the read, and the kill must still reach
    // the child.
    std::string cmd = "sh -c 'echo $$ > " + P("pid") + "; exec sleep 60' & echo started";
    EXPECT_EQ(S(_qo_exec_within(V(cmd), 500)), "started\n");
    pid_t grandchild = ReadPid(P("pid"));
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(Gone(grandchild));

    // Output closed early while the shell goes on: reaped by the deadline.
    std::string quiet = "echo $$ > " + P("pid2") + "; exec >&-; sleep 60";
    EXPECT_EQ(S(_qo_exec_within(V(quiet), 300)), "");
    pid_t shell = ReadPid(P("pid2"));
    ASSERT_GT(shell, 0);
    EXPECT_TRUE(Gone(shell));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(IoFiles, DetachedCommandLeavesNoZombie) {
    std::string mark = P("bg.txt");
    qo_val_t pid = exec_bg(V("echo $$ > " + mark + ".tmp && mv " + mark + ".tmp " + mark + "; echo lost"));
    std::string text = S(pid);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(ReadPid(mark), (pid_t)std::stol(text));  // the pid is the command's own
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);      // and it is not our child
    EXPECT_EQ(S(exec_bg(QO_STR(""))), "");
}

TEST(IoEnv, EnvironmentAndConfig) {
    setenv("QO_IO_TEST_VAR", "value", 1);
    qo_val_t v = env(QO_STR("QO_IO_TEST_VAR"));
    EXPECT_EQ(S(v), "value");
    setenv("QO_IO_TEST_VAR", "changed", 1);
    EXPECT_EQ(S(v), "value");  // a copy, not a view of the environment
    EXPECT_EQ(S(__env_get(QO_STR("QO_IO_TEST_VAR"))), "changed");
    EXPECT_EQ(S(config(QO_STR("QO_IO_TEST_VAR"))), "changed");
    unsetenv("QO_IO_TEST_VAR");
    EXPECT_EQ(S(env(QO_STR("QO_IO_TEST_VAR"))), "");
    // Every missing setting is the same static "".
    qo_val_t missing = config(QO_STR("QO_IO_TEST_VAR"));
    EXPECT_EQ(S(missing), "");
    EXPECT_EQ(config(QO_STR("")), missing);
}

TEST(IoLog, LevelsOnStandardErrorAndExit) {
    testing::internal::CaptureStderr();
    log_info(QO_STR("up"));
    log_warn(0);
    log_warn(42);  // no text: logged as empty, never read as an address
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[INFO] up\n[WARN] \n[WARN] \n");
    EXPECT_EQ(getpid_now(), (qo_val_t)getpid());
    EXPECT_EXIT(__exit_program(3), testing::ExitedWithCode(3), "");
}

}  // namespace
