/* ptsname_r, pipe2, memmem, login_tty */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include "child.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <utmp.h>

/* The same small environment for every program: a terminal type that the
 * curses menus know, a UTF-8 locale for the Swedish text. */
static char* const CHILD_ENV[] = {"TERM=xterm", "LANG=C.UTF-8", "LC_ALL=C.UTF-8",
                                  "PATH=/usr/bin:/bin", NULL};

double now_us(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static void child_init(Child* c) {
    c->pid = -1;
    c->out_fd = -1;
    c->in_fd = -1;
    c->slave_fd = -1;
    c->len = 0;
    c->received = c->received_newlines = c->sent = 0;
    c->read_before_keys = -1;
}

/* Signals at their defaults and none blocked, whatever the benchmark set
 * for itself. */
static void spawn_attr_defaults(posix_spawnattr_t* attr, short extra_flags) {
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_init(attr);
    posix_spawnattr_setsigmask(attr, &none);
    posix_spawnattr_setsigdefault(attr, &all);
    posix_spawnattr_setflags(attr,
                             (short)(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extra_flags));
}

/* posix_spawn starts the program with a vfork-like clone, so the time
 * measured is the program's own and not the copying of the benchmark. */
static int spawn(Child* c, char* const argv[], char* const envp[],
                 posix_spawn_file_actions_t* actions, posix_spawnattr_t* attr, double* started) {
    *started = now_us();
    int err = posix_spawn(&c->pid, argv[0], actions, attr, argv, envp);
    posix_spawn_file_actions_destroy(actions);
    posix_spawnattr_destroy(attr);
    if (err != 0) {
        c->pid = -1;
        return -1;
    }
    return 0;
}

int child_open_pty(int columns, int rows, int* master, int* slave) {
    char name[128];
    *master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (*master < 0)
        return -1;
    if (grantpt(*master) != 0 || unlockpt(*master) != 0 ||
        ptsname_r(*master, name, sizeof name) != 0 ||
        (*slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
        close(*master);
        return -1;
    }
    struct winsize size = {(unsigned short)rows, (unsigned short)columns, 0, 0};
    if (columns > 0)
        ioctl(*master, TIOCSWINSZ, &size);
    return 0;
}

/* In the terminal's new session, acts as a job-control shell would: runs
 * the program in a foreground process group of its own and ends as it
 * ends. */
static void run_as_job(char* const argv[], char* const envp[]) {
    pid_t job = fork();
    if (job == 0) {
        setpgid(0, 0);
        signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        execve(argv[0], argv, envp);
        _exit(127);
    }
    setpgid(job, job);
    int status = 0;
    while (waitpid(job, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

/* Forks a session leader on the terminal for the job's shell: posix_spawn
 * cannot run code of ours in the child. */
static int start_job(Child* c, int slave, char* const argv[], char* const envp[]) {
    c->pid = fork();
    if (c->pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, NULL);
        login_tty(slave);
        run_as_job(argv, envp);
    }
    return c->pid > 0 ? 0 : -1;
}

int child_start_pty(Child* c, char* const argv[], char* const envp[], int columns, int rows,
                    int flags, double* started) {
    child_init(c);
    int master, slave;
    if (child_open_pty(columns, rows, &master, &slave) != 0)
        return -1;
    c->out_fd = c->in_fd = master;
    tcgetattr(slave, &c->initial);
    char* const* env = envp ? envp : CHILD_ENV;
    int result;
    if (flags & CHILD_AS_JOB) {
        *started = now_us();
        result = start_job(c, slave, argv, env);
    } else {
        /* A new session opening the terminal makes it its controlling one.
         * The descriptors are then the one kept here, so that what the
         * program sets on its open file (O_NONBLOCK) shows here too. */
        char name[128];
        ptsname_r(master, name, sizeof name);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, name, O_RDWR, 0);
        for (int descriptor = 0; descriptor <= 2; descriptor++)
            posix_spawn_file_actions_adddup2(&actions, slave, descriptor);
        posix_spawnattr_t attr;
        spawn_attr_defaults(&attr, POSIX_SPAWN_SETSID);
        result = spawn(c, argv, env, &actions, &attr, started);
    }
    if (flags & CHILD_KEEP_TERMINAL)
        c->slave_fd = slave;
    else
        close(slave);
    return result;
}

int child_start_pipes(Child* c, char* const argv[], double* started) {
    child_init(c);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return -1;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    spawn_attr_defaults(&attr, 0);
    int result = spawn(c, argv, CHILD_ENV, &actions, &attr, started);
    close(in[0]);
    close(out[1]);
    c->in_fd = in[1];
    c->out_fd = out[0];
    return result;
}

int child_send(Child* c, const char* bytes, size_t n) {
    c->sent += (long long)n;
    while (n > 0) {
        ssize_t done = write(c->in_fd, bytes, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return -1;
        bytes += done;
        n -= (size_t)done;
    }
    return 0;
}

static void count_received(Child* c, const char* bytes, ssize_t n) {
    c->received += n;
    for (ssize_t i = 0; i < n; i++)
        c->received_newlines += bytes[i] == '\n';
}

/* Reads what has come into buf while it fits, past it into nothing (but
 * its count); 0 at the end of output. */
static int keep_reading(Child* c) {
    char scratch[4096];
    int full = c->len == CHILD_BUF;
    ssize_t n = full ? read(c->out_fd, scratch, sizeof scratch)
                     : read(c->out_fd, c->buf + c->len, CHILD_BUF - c->len);
    if (n <= 0)
        return 0;
    count_received(c, full ? scratch : c->buf + c->len, n);
    c->len += full ? 0 : (size_t)n;
    return 1;
}

/* Waits up to the deadline for output and appends what came; a deadline
 * already past still looks once, so that what is waiting is read. Returns 1
 * when bytes came, 0 on timeout, -1 at end of output (a pty master reads
 * EIO once the program has gone) or when the buffer is full. */
static int read_some(Child* c, double deadline) {
    struct pollfd p = {c->out_fd, POLLIN, 0};
    double left_us = deadline - now_us();
    int ready = poll(&p, 1, left_us <= 0 ? 0 : (int)(left_us / 1000.0) + 1);
    if (ready < 0 && errno == EINTR)
        return read_some(c, deadline);
    if (ready <= 0)
        return 0;
    return c->len < CHILD_BUF && keep_reading(c) ? 1 : -1;
}

int child_read_expect(Child* c, const char* expect, size_t expect_len, size_t tail,
                      int timeout_ms) {
    double deadline = now_us() + timeout_ms * 1000.0;
    size_t t = (tail == 0 || tail > expect_len) ? expect_len : tail;
    c->len = 0;
    for (;;) {
        if (c->len >= expect_len && memcmp(c->buf + c->len - t, expect + expect_len - t, t) == 0)
            return (c->len == expect_len && memcmp(c->buf, expect, expect_len) == 0) ? 0 : 1;
        if (read_some(c, deadline) <= 0)
            return -1;
    }
}

int child_read_more(Child* c, int timeout_ms) {
    return read_some(c, now_us() + timeout_ms * 1000.0);
}

size_t child_read_quiet(Child* c, int quiet_ms) {
    c->len = 0;
    while (read_some(c, now_us() + quiet_ms * 1000.0) > 0) {
    }
    return c->len;
}

size_t child_read_all(Child* c, int timeout_ms) {
    double deadline = now_us() + timeout_ms * 1000.0;
    long long from = c->received;
    c->len = 0;
    for (double left_us; (left_us = deadline - now_us()) > 0;) {
        struct pollfd p = {c->out_fd, POLLIN, 0};
        int ready = poll(&p, 1, (int)(left_us / 1000.0) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || !keep_reading(c))
            break;
    }
    return (size_t)(c->received - from);
}

static int read_proc(pid_t pid, const char* name, char* buf, size_t size) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/%s", (int)pid, name);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t n = read(fd, buf, size - 1);
    close(fd);
    if (n <= 0)
        return -1;
    buf[n] = '\0';
    return 0;
}

/* The fields of /proc/PID/stat after the name, which is in parentheses
 * and may hold anything, a ") " too; NULL when unknown. */
static const char* stat_fields(pid_t pid, char* stat, size_t size) {
    if (read_proc(pid, "stat", stat, size) != 0)
        return NULL;
    char* name_end = strrchr(stat, ')');
    return name_end == NULL || name_end[1] != ' ' || name_end[2] == '\0' ? NULL : name_end + 2;
}

char proc_state(pid_t pid) {
    char stat[512];
    const char* fields = stat_fields(pid, stat, sizeof stat);
    return fields ? fields[0] : '?';
}

pid_t proc_parent(pid_t pid) {
    char stat[512];
    const char* fields = stat_fields(pid, stat, sizeof stat);
    return fields ? (pid_t)strtol(fields + 1, NULL, 10) : -1;
}

static long long proc_field(const char* text, const char* name) {
    const char* at = strstr(text, name);
    return at ? strtoll(at + strlen(name), NULL, 10) : -1;
}

int proc_io(pid_t pid, ChildIo* io) {
    char text[1024];
    if (read_proc(pid, "io", text, sizeof text) != 0)
        return -1;
    io->writes = proc_field(text, "syscw:");
    io->bytes_written = proc_field(text, "wchar:");
    io->reads = proc_field(text, "syscr:");
    io->bytes_read = proc_field(text, "rchar:");
    return 0;
}

/* Whether a system call, with its arguments as /proc shows them, waits for
 * input without a time limit. The calls go by their names: their numbers
 * differ from one architecture to the next, and some have only the newer
 * of two calls (no poll or select on arm64). A time limit of -1 stands in
 * its argument's low 32 bits. */
static int waits_without_limit(long call, const unsigned long args[6]) {
    int no_limit_ms = (int)(unsigned)args[2] == -1;
    switch (call) {
    case SYS_read:
        return 1;
    case SYS_ppoll:
        return args[2] == 0;
    case SYS_pselect6:
        return args[4] == 0;
#ifdef SYS_poll
    case SYS_poll:
        return no_limit_ms;
#endif
#ifdef SYS_select
    case SYS_select:
        return args[4] == 0;
#endif
#ifdef SYS_epoll_wait
    case SYS_epoll_wait:
        return (int)(unsigned)args[3] == -1;
#endif
    case SYS_epoll_pwait:
        return (int)(unsigned)args[3] == -1;
    default:
        return 0;
    }
}

int proc_in_input_wait(pid_t pid) {
    char state = proc_state(pid);
    if (state == '?' || state == 'Z' || state == 'X')
        return -1;
    char text[256];
    if (read_proc(pid, "syscall", text, sizeof text) != 0)
        return state == 'S';
    unsigned long args[6] = {0};
    char* at = text;
    long call = strtol(at, &at, 10);
    for (int i = 0; i < 6; i++)
        args[i] = strtoul(at, &at, 16);
    return state == 'S' && waits_without_limit(call, args);
}

static unsigned long long status_mask(const char* status, const char* name) {
    const char* at = strstr(status, name);
    return at ? strtoull(at + strlen(name), NULL, 16) : 0;
}

/* Whether a signal sent to the process waits to be handled: one it does
 * not block, for itself or its thread group. */
static int signal_pending(pid_t pid) {
    char status[4096];
    if (read_proc(pid, "status", status, sizeof status) != 0)
        return 0;
    unsigned long long pending = status_mask(status, "SigPnd:") | status_mask(status, "ShdPnd:");
    return (pending & ~status_mask(status, "SigBlk:")) != 0;
}

long long proc_switches(pid_t pid) {
    char status[4096];
    if (read_proc(pid, "status", status, sizeof status) != 0)
        return -1;
    return proc_field(status, "voluntary_ctxt_switches:") +
           proc_field(status, "nonvoluntary_ctxt_switches:");
}

long proc_status_kib(pid_t pid, const char* field) {
    char status[4096];
    if (read_proc(pid, "status", status, sizeof status) != 0)
        return -1;
    return (long)proc_field(status, field);
}

double proc_cpu_us(pid_t pid) {
    char text[256];
    if (read_proc(pid, "schedstat", text, sizeof text) != 0)
        return -1;
    return (double)strtoll(text, NULL, 10) / 1000.0;
}

/* A program asleep in its wait, with no signal waiting to wake it, has
 * written all it will, but the terminal hands its bytes on later, so they
 * count only once they have come. The
 * counters are read on both sides of the look at the wait, so a program
 * that took its last key and wrote in between is never taken for one at
 * rest. A terminal that turns line feeds into CR LF adds the carriage
 * returns; its mode as it is now holds for all the output, since the
 * programs set it before they draw. Each byte that a signal handler writes
 * to the game's wake pipe the game reads back before it waits again, so at
 * rest it has read as many bytes beyond the keys as it wrote beyond the
 * screen; a key unread or output unarrived makes the two differ. */
int child_idle(Child* c) {
    ChildIo before, after;
    if (proc_io(c->pid, &before) != 0)
        return -1;
    int waiting = proc_in_input_wait(c->pid);
    if (waiting > 0 && signal_pending(c->pid))
        waiting = 0;
    if (waiting <= 0 || proc_io(c->pid, &after) != 0)
        return waiting < 0 ? -1 : 0;
    if (memcmp(&before, &after, sizeof before) != 0)
        return 0;
    if (c->read_before_keys < 0) {
        if (c->sent != 0)
            return -2;
        c->read_before_keys = after.bytes_read;
    }
    struct termios mode;
    int adds_returns =
        tcgetattr(c->out_fd, &mode) == 0 && (mode.c_oflag & OPOST) && (mode.c_oflag & ONLCR);
    long long shown = c->received - (adds_returns ? c->received_newlines : 0);
    return after.bytes_read - c->read_before_keys - c->sent == after.bytes_written - shown;
}

int child_wait_idle(Child* c, int timeout_ms) {
    double deadline = now_us() + timeout_ms * 1000.0;
    for (;;) {
        /* Keep the terminal drained, so the program never blocks on it. */
        while (read_some(c, now_us() + 1) > 0) {
        }
        int idle = child_idle(c);
        if (idle != 0)
            return idle > 0 ? 0 : idle;
        if (now_us() >= deadline)
            return -1;
        read_some(c, now_us() + 1000);
    }
}

/* A descriptor that becomes readable when the process ends, so the end is
 * seen at once rather than at the next look. */
static int process_fd(pid_t pid) {
    return (int)syscall(SYS_pidfd_open, pid, 0);
}

/* Waits up to the deadline for pid to end, reading c's output meanwhile
 * when c is given, to the last byte: the wait status, or -1 when it
 * still runs. */
static int wait_for_end(pid_t pid, double deadline, Child* c, double* ended) {
    int pidfd = process_fd(pid);
    int output_open = c != NULL;
    int status = -1;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        *ended = now_us();
        if (done == pid) {
            /* A terminal's poll hands on what the program left in it. */
            while (output_open && read_some(c, 0) > 0) {
            }
            break;
        }
        if (done < 0 || *ended >= deadline) {
            status = -1;
            break;
        }
        /* Drain what the program still writes, and wake when it ends. */
        struct pollfd p[2] = {{pidfd, POLLIN, 0}, {output_open ? c->out_fd : -1, POLLIN, 0}};
        if (poll(p, 2, pidfd >= 0 ? 5 : 1) > 0 && (p[1].revents & (POLLIN | POLLHUP)))
            output_open = keep_reading(c);
    }
    if (pidfd >= 0)
        close(pidfd);
    return status;
}

int child_reap(Child* c, int timeout_ms, double* ended) {
    int status = wait_for_end(c->pid, now_us() + timeout_ms * 1000.0, c, ended);
    if (status != -1)
        c->pid = -1;
    return status;
}

int proc_wait(pid_t pid, int timeout_ms) {
    double ended;
    return wait_for_end(pid, now_us() + timeout_ms * 1000.0, NULL, &ended);
}

void child_close(Child* c) {
    /* A job's shell leaves its program behind: the terminal's foreground
     * group goes first. */
    pid_t job = c->out_fd >= 0 && c->out_fd == c->in_fd ? tcgetpgrp(c->out_fd) : -1;
    if (c->pid > 0 && job > 0 && job != c->pid)
        kill(-job, SIGKILL);
    if (c->pid > 0) {
        kill(c->pid, SIGKILL);
        waitpid(c->pid, NULL, 0);
        c->pid = -1;
    }
    if (c->in_fd >= 0 && c->in_fd != c->out_fd)
        close(c->in_fd);
    if (c->out_fd >= 0)
        close(c->out_fd);
    if (c->slave_fd >= 0)
        close(c->slave_fd);
    c->in_fd = c->out_fd = c->slave_fd = -1;
}

/* The digit of the prefix " K: " that ends right before `at`, where a
 * highlight's attribute sequence may stand between the two; 0 if none. */
static int key_before(const char* output, const char* at) {
    if (at - output >= 3 && at[-1] == 'm') {
        const char* sequence = at - 2;
        while (sequence > output && (isdigit((unsigned char)*sequence) || *sequence == ';'))
            sequence--;
        if (sequence > output && sequence[0] == '[' && sequence[-1] == '\x1b')
            at = sequence - 1;
    }
    if (at - output < 4 || at[-4] != ' ' || at[-2] != ':' || at[-1] != ' ')
        return 0;
    return (unsigned char)at[-3];
}

int child_listed_key(const char* output, size_t len, const char* label, int* typed) {
    char full[256], plain[256];
    snprintf(full, sizeof full, "%s\x1b[K", label);
    snprintf(plain, sizeof plain, "%s\r\n", label);
    const char* end = output + len;
    int key = 0;
    *typed = 0;
    for (const char* at = output; at < end; at++) {
        size_t left = (size_t)(end - at);
        int is_full = left >= strlen(full) && memcmp(at, full, strlen(full)) == 0;
        /* A plain listing is answered once its prompt stands. */
        int is_plain = !is_full && left >= strlen(plain) && memcmp(at, plain, strlen(plain)) == 0 &&
                       memmem(at, left, "sluta: ", 7) != NULL;
        int here = is_full || is_plain ? key_before(output, at) : 0;
        if (here) {
            key = here;
            *typed = is_plain;
        }
    }
    return key;
}
