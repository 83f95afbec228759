#include "child.h"

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
    c->len = 0;
    c->received = c->received_newlines = 0;
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
static int spawn(Child* c, char* const argv[], posix_spawn_file_actions_t* actions,
                 posix_spawnattr_t* attr, double* started) {
    *started = now_us();
    int err = posix_spawn(&c->pid, argv[0], actions, attr, argv, CHILD_ENV);
    posix_spawn_file_actions_destroy(actions);
    posix_spawnattr_destroy(attr);
    if (err != 0) {
        c->pid = -1;
        return -1;
    }
    return 0;
}

int child_start_pty(Child* c, char* const argv[], int columns, int rows, double* started) {
    child_init(c);
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char slave[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, slave, sizeof slave) != 0) {
        if (master >= 0)
            close(master);
        return -1;
    }
    struct winsize size = {(unsigned short)rows, (unsigned short)columns, 0, 0};
    ioctl(master, TIOCSWINSZ, &size);
    c->out_fd = c->in_fd = master;

    /* A new session opening the terminal makes it its controlling one. */
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, slave, O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&actions, 0, 1);
    posix_spawn_file_actions_adddup2(&actions, 0, 2);
    posix_spawnattr_t attr;
    spawn_attr_defaults(&attr, POSIX_SPAWN_SETSID);
    return spawn(c, argv, &actions, &attr, started);
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
    int result = spawn(c, argv, &actions, &attr, started);
    close(in[0]);
    close(out[1]);
    c->in_fd = in[1];
    c->out_fd = out[0];
    return result;
}

int child_send(Child* c, const char* bytes, size_t n) {
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

/* Waits up to the deadline for output and appends what came. Returns 1 when
 * bytes came, 0 on timeout, -1 at end of output (a pty master reads EIO
 * once the program has gone) or when the buffer is full. */
static int read_some(Child* c, double deadline) {
    struct pollfd p = {c->out_fd, POLLIN, 0};
    double left_us = deadline - now_us();
    if (left_us <= 0)
        return 0;
    int ready = poll(&p, 1, (int)(left_us / 1000.0) + 1);
    if (ready < 0 && errno == EINTR)
        return read_some(c, deadline);
    if (ready <= 0)
        return 0;
    if (c->len == CHILD_BUF)
        return -1;
    ssize_t n = read(c->out_fd, c->buf + c->len, CHILD_BUF - c->len);
    if (n <= 0)
        return -1;
    count_received(c, c->buf + c->len, n);
    c->len += (size_t)n;
    return 1;
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

int child_wait_output(Child* c, int timeout_ms) {
    return read_some(c, now_us() + timeout_ms * 1000.0) > 0 ? 0 : -1;
}

size_t child_read_quiet(Child* c, int quiet_ms) {
    c->len = 0;
    while (read_some(c, now_us() + quiet_ms * 1000.0) > 0) {
    }
    return c->len;
}

size_t child_read_all(Child* c, int timeout_ms) {
    double deadline = now_us() + timeout_ms * 1000.0;
    size_t dropped = 0;
    c->len = 0;
    for (;;) {
        int got = read_some(c, deadline);
        if (got > 0)
            continue;
        if (got < 0 && c->len == CHILD_BUF) { /* full: keep the start, count the rest */
            char scratch[4096];
            ssize_t n = read(c->out_fd, scratch, sizeof scratch);
            if (n > 0) {
                count_received(c, scratch, n);
                dropped += (size_t)n;
                continue;
            }
        }
        return c->len + dropped;
    }
}

/* Reads a small /proc file of the program into buf. */
static int read_proc(const Child* c, const char* name, char* buf, size_t size) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/%s", (int)c->pid, name);
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

/* The calls a program sleeps in while it waits for a key, by their names:
 * their numbers differ from one architecture to the next, and some have only
 * the newer of two calls (no poll or select on arm64). */
static int waits_for_input(long call) {
    static const long WAITS[] = {
        SYS_read,
#ifdef SYS_poll
        SYS_poll,
#endif
#ifdef SYS_select
        SYS_select,
#endif
        SYS_pselect6,    SYS_ppoll,
#ifdef SYS_epoll_wait
        SYS_epoll_wait,
#endif
        SYS_epoll_pwait,
    };
    for (size_t i = 0; i < sizeof WAITS / sizeof WAITS[0]; i++)
        if (call == WAITS[i])
            return 1;
    return 0;
}

static int is_idle(const Child* c) {
    char stat[512], call[256];
    if (read_proc(c, "stat", stat, sizeof stat) != 0)
        return -1;
    char* state = strrchr(stat, ')');
    if (state == NULL || state[1] == '\0')
        return -1;
    if (state[2] == 'Z' || state[2] == 'X')
        return -1;
    if (state[2] != 'S' || read_proc(c, "syscall", call, sizeof call) != 0)
        return 0;
    return waits_for_input(strtol(call, NULL, 10));
}

/* A program asleep in its wait has written all it will, but the terminal
 * hands its bytes on later, so they count only once they have come. The
 * counters are read after the look at the wait, so none can be older than
 * it. A terminal that turns line feeds into CR LF adds the carriage
 * returns; its mode as it is now holds for all the output, since the
 * programs set it before they draw. */
static int all_output_read(const Child* c) {
    ChildIo io;
    struct termios mode;
    int adds_returns =
        tcgetattr(c->out_fd, &mode) == 0 && (mode.c_oflag & OPOST) && (mode.c_oflag & ONLCR);
    return child_io(c, &io) == 0 &&
           io.bytes_written == c->received - (adds_returns ? c->received_newlines : 0);
}

int child_wait_idle(Child* c, int timeout_ms) {
    double deadline = now_us() + timeout_ms * 1000.0;
    while (now_us() < deadline) {
        /* Keep the terminal drained, so the program never blocks on it. */
        while (read_some(c, now_us() + 1) > 0) {
        }
        int idle = is_idle(c);
        if (idle < 0)
            return -1;
        if (idle > 0 && all_output_read(c))
            return 0;
        struct timespec pause = {0, 50000};
        nanosleep(&pause, NULL);
    }
    return -1;
}

static long long proc_field(const char* text, const char* name) {
    const char* at = strstr(text, name);
    return at ? strtoll(at + strlen(name), NULL, 10) : -1;
}

long child_peak_rss_kib(const Child* c) {
    char status[4096];
    if (read_proc(c, "status", status, sizeof status) != 0)
        return -1;
    return (long)proc_field(status, "VmHWM:");
}

int child_io(const Child* c, ChildIo* io) {
    char text[1024];
    if (read_proc(c, "io", text, sizeof text) != 0)
        return -1;
    io->writes = proc_field(text, "syscw:");
    io->bytes_written = proc_field(text, "wchar:");
    io->reads = proc_field(text, "syscr:");
    return 0;
}

double child_cpu_us(const Child* c) {
    char text[256];
    if (read_proc(c, "schedstat", text, sizeof text) != 0)
        return -1;
    return (double)strtoll(text, NULL, 10) / 1000.0;
}

/* A descriptor that becomes readable when the process ends, so the end is
 * seen at once rather than at the next look. */
static int process_fd(pid_t pid) {
    return (int)syscall(SYS_pidfd_open, pid, 0);
}

int child_reap(Child* c, int timeout_ms, double* ended) {
    double deadline = now_us() + timeout_ms * 1000.0;
    int pidfd = process_fd(c->pid);
    int output_open = 1;
    int status = -1;
    for (;;) {
        pid_t done = waitpid(c->pid, &status, WNOHANG);
        *ended = now_us();
        if (done == c->pid || done < 0)
            break;
        if (*ended >= deadline) {
            kill(c->pid, SIGKILL);
            waitpid(c->pid, &status, 0);
            status = -1;
            break;
        }
        /* Drain what the program still writes, and wake when it ends. */
        struct pollfd p[2] = {{pidfd, POLLIN, 0}, {output_open ? c->out_fd : -1, POLLIN, 0}};
        if (poll(p, 2, pidfd >= 0 ? 5 : 1) > 0 && (p[1].revents & (POLLIN | POLLHUP))) {
            char scratch[4096];
            if (read(c->out_fd, scratch, sizeof scratch) <= 0)
                output_open = 0;
        }
    }
    if (pidfd >= 0)
        close(pidfd);
    c->pid = -1;
    return status;
}

void child_close(Child* c) {
    if (c->pid > 0) {
        kill(c->pid, SIGKILL);
        waitpid(c->pid, NULL, 0);
        c->pid = -1;
    }
    if (c->in_fd >= 0 && c->in_fd != c->out_fd)
        close(c->in_fd);
    if (c->out_fd >= 0)
        close(c->out_fd);
    c->in_fd = c->out_fd = -1;
}
