/*
 * process.c -- running shell commands: waiting for the status, capturing
 * the output, capturing within a time limit, or detached; and ending the
 * process.
 *
 * Every command is handed to "/bin/sh -c" as the caller wrote it, so the
 * command text is exactly as trusted as its author; nothing here splices
 * other text into it.
 *
 * No child is left a zombie. system and pclose wait for theirs; the timed
 * capture reaps its shell itself; a detached command is started through an
 * intermediate child that exits at once, so the command is adopted (and
 * later reaped) by init and never becomes our zombie.
 *
 * The timed capture must never hang, whatever the command does: it starts
 * the shell in a process group of its own, reads with poll against a
 * deadline, and when the deadline passes it kills the whole group (the
 * shell and anything it started), so a background grandchild holding the
 * pipe open cannot keep us waiting either. A shell that closes its output
 * early but goes on running is given until the same deadline to end.
 */
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#define QO_PROC_EXEC_LIMIT_MS 30000
#define QO_PROC_CHUNK 4096

static qo_val_t _qo_proc_empty(void) { return _qo_str_from("", 0); }

static int64_t _qo_proc_now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

static void _qo_proc_sleep_ms(int ms) {
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&ts, NULL);
}

qo_val_t exec_command(qo_val_t cmd) {
    const char *command = _qo_str_arg(cmd);
    return command ? system(command) : -1;
}

/* Appends everything read from fd to b. deadline < 0 waits for the end of
 * the output however long it takes. 1 at the end of the output; 0 when the
 * deadline passed or reading failed. */
static int _qo_proc_drain(int fd, qo_jb *b, int64_t deadline) {
    char chunk[QO_PROC_CHUNK];
    for (;;) {
        if (deadline >= 0) {
            int64_t left = deadline - _qo_proc_now_ms();
            if (left <= 0) return 0;
            struct pollfd pfd = {.fd = fd, .events = POLLIN};
            int ready = poll(&pfd, 1, left > INT_MAX ? INT_MAX : (int)left);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return 0;
        }
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            jb_putn(b, chunk, (size_t)n);
        } else if (n == 0) {
            return 1;
        } else if (errno != EINTR) {
            return 0;
        }
    }
}

qo_val_t exec_capture(qo_val_t cmd) {
    const char *command = _qo_str_arg(cmd);
    FILE *pipe = command ? popen(command, "re") : NULL;
    if (!pipe) return _qo_proc_empty();
    qo_jb b;
    jb_init(&b);
    _qo_proc_drain(fileno(pipe), &b, -1);
    pclose(pipe);
    return jb_finish(&b);
}

/* Starts "sh -c cmd" in a new process group with its standard output on
 * out_fd; the child's pid, or -1. */
static pid_t _qo_proc_spawn_grouped(const char *cmd, int out_fd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    char *argv[] = {"sh", "-c", (char *)cmd, NULL};
    pid_t pid;
    int rc = posix_spawn(&pid, "/bin/sh", &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

/* Waits for pid until the deadline, then kills its group and waits. */
static void _qo_proc_reap(pid_t pid, int64_t deadline) {
    for (int pause = 1;; pause = pause < 50 ? pause * 2 : 50) {
        pid_t r = waitpid(pid, NULL, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return;
        if (r == 0 && _qo_proc_now_ms() >= deadline) break;
        _qo_proc_sleep_ms(pause);
    }
    kill(-pid, SIGKILL);
    while (waitpid(pid, NULL, 0) < 0 && errno == EINTR) {}
}

qo_val_t _qo_exec_within(qo_val_t cmd, int64_t limit_ms) {
    if (!cmd || !*_qo_cstr(cmd)) return _qo_proc_empty();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return _qo_proc_empty();
    pid_t pid = _qo_proc_spawn_grouped(_qo_cstr(cmd), fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return _qo_proc_empty();
    }
    qo_jb b;
    jb_init(&b);
    int64_t deadline = _qo_proc_now_ms() + limit_ms;
    int complete = _qo_proc_drain(fds[0], &b, deadline);
    close(fds[0]);
    /* The group goes before the shell is reaped: while it is an unreaped
     * zombie its pid (the group id) cannot be reused by anyone else. */
    if (!complete) kill(-pid, SIGKILL);
    _qo_proc_reap(pid, deadline);
    return jb_finish(&b);
}

qo_val_t exec(qo_val_t cmd) { return _qo_exec_within(cmd, QO_PROC_EXEC_LIMIT_MS); }
qo_val_t __exec(qo_val_t cmd) { return exec(cmd); }

/* In the detached grandchild: only async-signal-safe calls from here on. */
static void _qo_proc_run_detached(const char *cmd) {
    setsid();
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        if (null_fd > 2) close(null_fd);
    }
    execl("/bin/sh", "sh", "-c", cmd, (char *)NULL);
    _exit(127);
}

/* The intermediate child forks the command, reports its pid through the
 * pipe and exits; we reap the intermediate at once. */
static pid_t _qo_proc_start_detached(const char *cmd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    pid_t middle = fork();
    if (middle == 0) {
        pid_t pid = fork();
        if (pid == 0) _qo_proc_run_detached(cmd);
        ssize_t w = write(fds[1], &pid, sizeof pid);
        _exit(w == (ssize_t)sizeof pid ? 0 : 1);
    }
    close(fds[1]);
    pid_t pid = -1;
    if (middle > 0) {
        ssize_t got;
        while ((got = read(fds[0], &pid, sizeof pid)) < 0 && errno == EINTR) {}
        if (got != (ssize_t)sizeof pid) pid = -1;
        while (waitpid(middle, NULL, 0) < 0 && errno == EINTR) {}
    }
    close(fds[0]);
    return pid;
}

qo_val_t exec_bg(qo_val_t cmd) {
    if (!cmd || !*_qo_cstr(cmd)) return _qo_proc_empty();
    pid_t pid = _qo_proc_start_detached(_qo_cstr(cmd));
    if (pid < 0) return _qo_proc_empty();
    char digits[16];
    int n = snprintf(digits, sizeof digits, "%d", (int)pid);
    return _qo_str_from(digits, (size_t)n);
}
qo_val_t __exec_bg(qo_val_t cmd) { return exec_bg(cmd); }

qo_val_t exit_program(qo_val_t status) { exit((int)status); }
qo_val_t __exit_program(qo_val_t status) { return exit_program(status); }

qo_val_t getpid_now(void) { return (qo_val_t)getpid(); }
