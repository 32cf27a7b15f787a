/*
 * files.c -- whole-file reads and writes, existence, nested directory
 * creation and directory listings.
 *
 * Files are opened and closed within one call; nothing is cached. A read
 * returns the whole file as one string with a NUL after it, and the exact
 * byte count goes to the thread's _tl_fs_read_len, because files may hold
 * NUL bytes that the string alone would hide (the HTTP server serves such
 * files by that count).
 *
 * Reads trust only regular files: their size is a hint and the read goes on
 * to the end of the file, so files whose size reads as 0 (/proc) or that
 * grow meanwhile come back whole. Directories, devices and pipes read as "":
 * their "size" means nothing and some never end.
 *
 * Listings as JSON text escape every control byte, so a file name holding a
 * carriage return or an escape byte still gives valid JSON; other bytes
 * (UTF-8 or not) are copied as they are.
 */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static qo_val_t _qo_fs_empty(void) { return _qo_str_from("", 0); }

/* Reads f to its end, starting with room for `hint` bytes. */
static char *_qo_fs_slurp(FILE *f, size_t hint, size_t *len_out) {
    size_t cap = hint + 1, len = 0;
    char *buf = _qo_xmalloc(cap + 1);
    for (;;) {
        size_t got = fread(buf + len, 1, cap - len, f);
        len += got;
        if (len < cap) break; /* end of file or an error */
        cap *= 2;
        buf = _qo_xrealloc(buf, cap + 1);
    }
    buf[len] = '\0';
    *len_out = len;
    return buf;
}

/* Opens path for reading only when it is a regular file. The open does not
 * block, so naming a pipe with no writer returns at once instead of
 * hanging. */
static FILE *_qo_fs_open_regular(const char *path, struct stat *st) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return NULL;
    FILE *f = NULL;
    if (fstat(fd, st) == 0 && S_ISREG(st->st_mode)) f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

qo_val_t fs_read(qo_val_t path) {
    _tl_fs_read_len = 0;
    _tl_fs_read_buf = NULL;
    struct stat st;
    FILE *f = path ? _qo_fs_open_regular(_qo_cstr(path), &st) : NULL;
    if (!f) return _qo_fs_empty();
    size_t len;
    char *buf = _qo_fs_slurp(f, (size_t)st.st_size, &len);
    fclose(f);
    _tl_fs_read_len = (int64_t)len;
    _tl_fs_read_buf = buf;
    qo_arena_track((qo_val_t)(intptr_t)buf);
    return (qo_val_t)(intptr_t)buf;
}
qo_val_t __fs_read(qo_val_t path) { return fs_read(path); }

/* Writes n bytes and closes; success means every byte reached the file
 * (a full disk shows up only when the buffer is flushed). */
static int _qo_fs_write_all(const char *path, const void *data, size_t n) {
    FILE *f = fopen(path, "wb");
    if (!f) return -1;
    int ok = fwrite(data, 1, n, f) == n;
    ok &= fflush(f) == 0;
    ok &= fclose(f) == 0;
    return ok;
}

qo_val_t fs_write(qo_val_t path, qo_val_t text) {
    const char *file = _qo_str_arg(path), *s = _qo_str_arg(text);
    if (!file || !s) return 0;
    return _qo_fs_write_all(file, s, strlen(s)) == 1;
}
qo_val_t __fs_write(qo_val_t path, qo_val_t text) { return fs_write(path, text); }

/* A half-written file is worse than none: it is removed. A byte buffer
 * knows its length, so asking for more than it holds fails up front; for
 * any other buffer only a request that would fault is refused. */
qo_val_t fs_write_bytes(qo_val_t path, qo_val_t buf, qo_val_t n) {
    const char *file = _qo_str_arg(path), *data = _qo_str_arg(buf);
    if (!file || !data || n < 0) return 0;
    if (_qo_is_bytes(buf) ? (uint64_t)n > _qo_bytes_or_str_len(buf) : !_qo_readable(data, (size_t)n))
        return 0;
    int ok = _qo_fs_write_all(file, data, (size_t)n);
    if (ok == 0) remove(file);
    return ok == 1;
}
qo_val_t __fs_write_bytes(qo_val_t path, qo_val_t buf, qo_val_t n) {
    return fs_write_bytes(path, buf, n);
}

qo_val_t fs_exists(qo_val_t path) {
    struct stat st;
    if (!path || !*_qo_cstr(path)) return 0;
    return stat(_qo_cstr(path), &st) == 0;
}
qo_val_t __fs_exists(qo_val_t path) { return fs_exists(path); }

static int _qo_fs_is_dir(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

/* mkdir on one prefix; a prefix that exists counts only as a directory, so
 * a path naming a regular file is a failure, not "already there". */
static int _qo_fs_mkdir_one(const char *prefix) {
    if (!*prefix || mkdir(prefix, 0755) == 0) return 1;
    return _qo_fs_is_dir(prefix);
}

/* Creates each prefix in turn, like mkdir -p. A leading "/" is not a cut. */
qo_val_t fs_mkdir(qo_val_t path) {
    if (!path || !*_qo_cstr(path)) return 0;
    const char *src = _qo_cstr(path);
    size_t n = strlen(src);
    char *copy = _qo_xmalloc(n + 1);
    memcpy(copy, src, n + 1);
    int ok = 1;
    for (size_t i = 1; ok && i <= n; i++) {
        if (copy[i] != '/' && copy[i] != '\0') continue;
        char saved = copy[i];
        copy[i] = '\0';
        ok = _qo_fs_mkdir_one(copy);
        copy[i] = saved;
    }
    free(copy);
    return ok;
}
qo_val_t __fs_mkdir(qo_val_t path) { return fs_mkdir(path); }

/* The next entry name other than "." and "..", or NULL at the end. */
static const char *_qo_fs_next_name(DIR *dir) {
    struct dirent *e;
    while ((e = readdir(dir)))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) return e->d_name;
    return NULL;
}

qo_val_t fs_list(qo_val_t path) {
    qo_val_t list = qo_list_empty();
    DIR *dir = path ? opendir(_qo_cstr(path)) : NULL;
    if (!dir) return list;
    const char *name;
    while ((name = _qo_fs_next_name(dir)))
        list = qo_list_append(list, _qo_str_from(name, strlen(name)));
    closedir(dir);
    return list;
}

/* Not recorded in the arena: callers keep listings beyond a scope. */
qo_val_t fs_list_json(qo_val_t path) {
    DIR *dir = path ? opendir(_qo_cstr(path)) : NULL;
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    if (dir) {
        const char *name;
        for (int first = 1; (name = _qo_fs_next_name(dir)); first = 0) {
            if (!first) jb_putc(&b, ',');
            _qo_json_put_quoted(&b, name, QO_JESC_ERROR);
        }
        closedir(dir);
    }
    jb_putc(&b, ']');
    return (qo_val_t)(intptr_t)jb_take(&b);
}
qo_val_t __fs_list_raw(qo_val_t path) { return fs_list_json(path); }
