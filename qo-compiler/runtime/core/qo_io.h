/* Console, files, directories, processes, environment and logging. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_IO_H
#define QO_CORE_QO_IO_H

/* Console. Strings read here are fresh; 0 prints as nothing or "". */
qo_val_t println(qo_val_t s);
qo_val_t __println(qo_val_t s);
qo_val_t print(qo_val_t s);
qo_val_t __print(qo_val_t s);
qo_val_t __print_raw(qo_val_t s);
qo_val_t readline(void);
qo_val_t __readline(void);
qo_val_t __read_n(qo_val_t n);

/* Standard output into a file and back; calls come in pairs. */
qo_val_t stdout_to_file(qo_val_t path);
qo_val_t stdout_restore(void);

/* Whole files. fs_read leaves the byte count in _tl_fs_read_len, so text
 * holding NUL bytes can still be used whole. */
qo_val_t fs_read(qo_val_t path);
qo_val_t __fs_read(qo_val_t path);
qo_val_t fs_write(qo_val_t path, qo_val_t text);
qo_val_t __fs_write(qo_val_t path, qo_val_t text);
qo_val_t fs_write_bytes(qo_val_t path, qo_val_t buf, qo_val_t n);
qo_val_t __fs_write_bytes(qo_val_t path, qo_val_t buf, qo_val_t n);
qo_val_t fs_exists(qo_val_t path);
qo_val_t __fs_exists(qo_val_t path);
qo_val_t fs_mkdir(qo_val_t path);
qo_val_t __fs_mkdir(qo_val_t path);
qo_val_t fs_list(qo_val_t path);
qo_val_t fs_list_json(qo_val_t path);
qo_val_t __fs_list_raw(qo_val_t path);

/* Shell commands. The command text goes to /bin/sh unchanged: quoting is
 * the caller's business. */
qo_val_t exec_command(qo_val_t cmd);
qo_val_t exec_capture(qo_val_t cmd);
qo_val_t exec(qo_val_t cmd);
qo_val_t __exec(qo_val_t cmd);
qo_val_t exec_bg(qo_val_t cmd);
qo_val_t __exec_bg(qo_val_t cmd);
qo_val_t exit_program(qo_val_t status);
qo_val_t __exit_program(qo_val_t status);
qo_val_t getpid_now(void);

/* Environment, logging and the cgi identity line. */
qo_val_t env(qo_val_t name);
qo_val_t __env_get(qo_val_t name);
qo_val_t config(qo_val_t name);
qo_val_t log_info(qo_val_t msg);
qo_val_t log_warn(qo_val_t msg);
qo_val_t qo_cgi_init(qo_val_t name, qo_val_t tavri_id, qo_val_t principal,
                     qo_val_t network, qo_val_t engram);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* The descriptor stdout_to_file saved; -1 when none is. */
extern int _qo_saved_stdout_fd;

/* exec with its collection limit in milliseconds: the command runs in its
 * own process group, which is killed when the limit passes. */
qo_val_t _qo_exec_within(qo_val_t cmd, int64_t limit_ms);

#endif
