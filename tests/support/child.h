/* A program driven as a player or a script would: started on a fresh
 * pseudo-terminal (or on pipes), fed keys, its output read byte for byte,
 * and watched through the kernel's own accounting in /proc. The one driver
 * of the game for the tests (through PtyGame) and the benchmark. */
#ifndef CHILD_H
#define CHILD_H

#include <stddef.h>
#include <sys/types.h>
#include <termios.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { CHILD_BUF = 1 << 18 };

typedef struct {
    pid_t pid;    /* -1 once reaped */
    int out_fd;   /* the pty master, or the read end of the output pipe */
    int in_fd;    /* where keys go: the pty master, or the input pipe */
    int slave_fd; /* the terminal's own side, with CHILD_KEEP_TERMINAL; else -1 */
    size_t len;   /* bytes read into buf since the last child_read_* */
    /* All bytes read from out_fd since the start, and the line feeds among
     * them; the bytes of keys sent, and what the program had read of other
     * files when it first waited for a key (-1 before). */
    long long received, received_newlines, sent, read_before_keys;
    struct termios initial; /* the terminal's settings before the start */
    char buf[CHILD_BUF];
} Child;

/* What a process has done since it started (its /proc io counters): its
 * write() calls and the bytes they carried, its read() calls and the bytes
 * they returned. */
typedef struct {
    long long writes, bytes_written, reads, bytes_read;
} ChildIo;

/* How child_start_pty starts a program. */
enum {
    /* Under a minimal job-control shell, in a foreground process group of
     * its own, so that Ctrl-Z can stop it: a session leader's group could
     * not be. */
    CHILD_AS_JOB = 1,
    /* The terminal's side kept open here, to read its settings and what
     * was typed, even after the program has gone. Its output then never
     * ends by itself: child_read_all waits for its time. */
    CHILD_KEEP_TERMINAL = 2,
};

double now_us(void);

/* A fresh pseudo-terminal of the given size (0 columns: as the system
 * makes it); both ends close on exec. Returns 0 on success. */
int child_open_pty(int columns, int rows, int* master, int* slave);

/* Starts argv (argv[0] a path) on a new pseudo-terminal of the given size,
 * as the leader of a new session with the terminal as its controlling one,
 * with every signal at its default. envp NULL gives a small fixed
 * environment: TERM=xterm and a UTF-8 locale. *started gets the time just
 * before the start. Returns 0 on success. */
int child_start_pty(Child* c, char* const argv[], char* const envp[], int columns, int rows,
                    int flags, double* started);
/* Starts argv with standard input and output on pipes; standard error goes
 * to /dev/null. */
int child_start_pipes(Child* c, char* const argv[], double* started);

int child_send(Child* c, const char* bytes, size_t n);

/* Reads until what arrived since the call began ends with the last `tail`
 * bytes of expect and is at least expect_len long (tail 0 means the whole
 * of expect). Returns 0 when the bytes equal expect exactly, 1 when they
 * end alike but differ, -1 on timeout or end of output. */
int child_read_expect(Child* c, const char* expect, size_t expect_len, size_t tail, int timeout_ms);
/* Waits up to timeout_ms for more output and appends it to buf; 0 looks
 * once and takes what is waiting. Returns 1 when bytes came, 0 on timeout,
 * -1 at the end of output or with buf full. */
int child_read_more(Child* c, int timeout_ms);
/* Reads until nothing arrives for quiet_ms; returns the byte count. Used
 * only to learn a program's bytes, never to time it. */
size_t child_read_quiet(Child* c, int quiet_ms);
/* Reads until end of output or timeout; keeps the first CHILD_BUF bytes in
 * buf and returns the count of all. */
size_t child_read_all(Child* c, int timeout_ms);

/* Waits until the program is asleep in a wait for input without a time
 * limit, has read every key sent, and every byte it wrote has been read
 * here: whatever it drew before waiting for a key is in buf. The first
 * call must come before the first key. Returns 0 when it is idle, -1 on
 * timeout or when it has ended, -2 when keys went before the first call. */
int child_wait_idle(Child* c, int timeout_ms);
/* Looked at once: 1 idle, 0 busy, -1 ended, -2 as above. */
int child_idle(Child* c);

/* Waits up to timeout_ms for the program to end, reading its output into
 * buf while it fits, to the last byte it wrote. Returns the wait status,
 * or -1 when it still runs (child_close ends it); *ended gets the time it
 * was reaped. */
int child_reap(Child* c, int timeout_ms, double* ended);
/* Ends the program at once if it still runs (its job too), and closes the
 * descriptors. */
void child_close(Child* c);

/* Waits up to timeout_ms for a child of this process to end: its wait
 * status, or -1 when it still runs. */
int proc_wait(pid_t pid, int timeout_ms);

/* The /proc readers, for any process. Its state letter ('S' asleep, 'T'
 * stopped, 'Z' ended), '?' if unknown; its parent, -1 if unknown. */
char proc_state(pid_t pid);
pid_t proc_parent(pid_t pid);
int proc_io(pid_t pid, ChildIo* io);
/* 1 while it sleeps in a wait for input without a time limit (a read, or
 * a poll or select with none), 0 otherwise, -1 when it has ended. Where
 * the system call cannot be seen, which takes the right to trace the
 * process, any sleep counts. */
int proc_in_input_wait(pid_t pid);
/* How often it has left the processor so far: each stop counts, so a
 * stopped process that counts more than before has run and stopped again.
 * -1 when unknown. */
long long proc_switches(pid_t pid);
/* A size its /proc status gives in KiB, by the field's name: "VmHWM:", the
 * peak resident set of its current image (unlike a child's ru_maxrss it
 * does not carry the size of the process that forked it), or "VmRSS:", the
 * resident set now. -1 when unknown. */
long proc_status_kib(pid_t pid, const char* field);
/* Processor time it has run so far, in microseconds, as the scheduler
 * counts it; -1 when unknown. */
double proc_cpu_us(pid_t pid);

/* The key of the option with this label in the last listing of output: the
 * digit of its prefix " K: ". *typed is set when the listing is the plain
 * mode's, whose answer is the digit and Enter, once its prompt stands.
 * 0 when the label is not listed (yet). */
int child_listed_key(const char* output, size_t len, const char* label, int* typed);

#ifdef __cplusplus
}
#endif

#endif
