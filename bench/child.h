/* A program under measurement, run on a fresh pseudo-terminal (or on pipes)
 * by the benchmark, with exact-byte reads from its output and the kernel's
 * own accounting of its memory and write() calls. */
#ifndef CHILD_H
#define CHILD_H

#include <stddef.h>
#include <sys/types.h>

enum { CHILD_BUF = 1 << 18 };

typedef struct {
    pid_t pid;
    int out_fd; /* the pty master, or the read end of the output pipe */
    int in_fd;  /* where keys go: the pty master, or the input pipe */
    size_t len; /* bytes read since the last child_read_* */
    /* All bytes read from out_fd since the start, and the line feeds among
     * them. */
    long long received, received_newlines;
    char buf[CHILD_BUF];
} Child;

/* The program's write() calls and the bytes they carried, and its read()
 * calls, all since it started (its /proc io counters). */
typedef struct {
    long long writes, bytes_written, reads;
} ChildIo;

/* Monotonic time in microseconds. */
double now_us(void);

/* Starts argv (argv[0] a path) on a new pseudo-terminal of the given size,
 * as the leader of a new session with the terminal as its controlling one.
 * *started gets the time just before the start. Returns 0 on success. */
int child_start_pty(Child* c, char* const argv[], int columns, int rows, double* started);
/* Starts argv with standard input and output on pipes; standard error goes
 * to /dev/null. */
int child_start_pipes(Child* c, char* const argv[], double* started);

/* Writes bytes to the program's input. Returns 0 when all were written. */
int child_send(Child* c, const char* bytes, size_t n);

/* Reads until what arrived since the call began ends with the last `tail`
 * bytes of expect and is at least expect_len long (tail 0 means the whole
 * of expect). Returns 0 when the bytes equal expect exactly, 1 when they
 * end alike but differ, -1 on timeout or end of output. */
int child_read_expect(Child* c, const char* expect, size_t expect_len, size_t tail, int timeout_ms);
/* Waits until at least one more byte has come, and appends it. Returns 0
 * when one came. */
int child_wait_output(Child* c, int timeout_ms);
/* Reads until nothing arrives for quiet_ms; returns the byte count. Used
 * only to learn a program's bytes, never to time it. */
size_t child_read_quiet(Child* c, int quiet_ms);
/* Reads until end of output or timeout; keeps the first CHILD_BUF bytes in
 * buf and returns the count of all. */
size_t child_read_all(Child* c, int timeout_ms);

/* Waits until the program is asleep in a read, select or poll and every
 * byte it wrote has been read here: whatever it drew before waiting for a
 * key is in buf. Returns 0 when it is. */
int child_wait_idle(Child* c, int timeout_ms);
/* Peak resident set of the program's current image, in KiB (VmHWM): unlike
 * a child's ru_maxrss it does not carry the size of the process that
 * forked it. -1 when unknown. */
long child_peak_rss_kib(const Child* c);
int child_io(const Child* c, ChildIo* io);
/* Processor time the program has run so far, in microseconds, as the
 * scheduler counts it; -1 when unknown. */
double child_cpu_us(const Child* c);

/* Waits for the program to end, draining its output, and kills it after
 * timeout_ms. Returns the wait status; *ended gets the time it was reaped. */
int child_reap(Child* c, int timeout_ms, double* ended);
/* Ends the program at once if it still runs, and closes the descriptors. */
void child_close(Child* c);

#endif
