/*
 * console.c -- standard input and output, and redirecting standard output
 * into a file.
 *
 * Everything goes through C stdio so that the program's own printf output
 * and ours interleave in order. println flushes after every line because
 * the compiler writes its output through it and a crash must not lose what
 * was already printed; print does not, for loops that build a line piece by
 * piece.
 *
 * Redirection swaps descriptor 1 underneath stdio (flushing first), so
 * every writer of standard output follows, C library and child processes
 * included. The saved terminal descriptor is close-on-exec: commands run
 * while output is redirected inherit the file, not the terminal.
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#define QO_CONSOLE_LINE_MAX 4096

int _qo_saved_stdout_fd = -1;

qo_val_t println(qo_val_t s) {
    fputs(_qo_cstr(s), stdout);
    fputc('\n', stdout);
    fflush(stdout);
    return 0;
}
qo_val_t __println(qo_val_t s) { return println(s); }

qo_val_t print(qo_val_t s) {
    if (s) fputs(_qo_cstr(s), stdout);
    return 0;
}
qo_val_t __print(qo_val_t s) { return print(s); }

/* Byte buffers may hold NUL bytes: they are written whole. */
qo_val_t __print_raw(qo_val_t s) {
    if (!s) return 0;
    fwrite((const void *)(intptr_t)s, 1, _qo_bytes_or_str_len(s), stdout);
    fflush(stdout);
    return 0;
}

qo_val_t readline(void) {
    char line[QO_CONSOLE_LINE_MAX];
    if (!fgets(line, sizeof line, stdin)) return _qo_str_from("", 0);
    size_t n = strlen(line);
    if (n && line[n - 1] == '\n') n--;
    return _qo_str_from(line, n);
}
qo_val_t __readline(void) { return readline(); }

/* The one input function that asks for a caller-sized buffer: a huge n must
 * not end the process, so its allocation failure is reported and survived. */
qo_val_t __read_n(qo_val_t n) {
    if (n <= 0) return _qo_str_from("", 0);
    char *buf = malloc((size_t)n + 1);
    if (!buf) {
        fputs("qo_runtime: __read_n: out of memory\n", stderr);
        return _qo_str_from("", 0);
    }
    size_t got = fread(buf, 1, (size_t)n, stdin);
    if (got == 0) {
        free(buf);
        return _qo_str_from("", 0);
    }
    buf[got] = '\0';
    qo_arena_track((qo_val_t)(intptr_t)buf);
    return (qo_val_t)(intptr_t)buf;
}

/* A second redirection before the restore keeps the first saved descriptor:
 * the restore then returns to the real standard output instead of to the
 * first file, and no descriptor is lost. */
qo_val_t stdout_to_file(qo_val_t path) {
    const char *file = _qo_str_arg(path);
    if (!file) return -1;
    fflush(stdout);
    if (_qo_saved_stdout_fd < 0) {
        _qo_saved_stdout_fd = fcntl(1, F_DUPFD_CLOEXEC, 3);
        if (_qo_saved_stdout_fd < 0) return -1;
    }
    int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    dup2(fd, 1);
    close(fd);
    return 0;
}

qo_val_t stdout_restore(void) {
    if (_qo_saved_stdout_fd < 0) return 0;
    fflush(stdout);
    dup2(_qo_saved_stdout_fd, 1);
    close(_qo_saved_stdout_fd);
    _qo_saved_stdout_fd = -1;
    return 0;
}
