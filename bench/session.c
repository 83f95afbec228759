#include "session.h"

#include "child.h"
#include "stats.h"

#include <stdio.h>
#include <string.h>

static Child child;

static void report_failure(const Program* p, const char* what) {
    fprintf(stderr, "%s: %s did not come as expected; got %zu bytes:\n", p->name, what, child.len);
    for (size_t i = 0; i < child.len && i < 600; i++) {
        unsigned char b = (unsigned char)child.buf[i];
        if (b < 32 || b == 127)
            fprintf(stderr, "\\x%02x", b);
        else
            fputc(b, stderr);
    }
    fputc('\n', stderr);
}

/* Reads one expected screen; a failure is reported. Returns -1 on
 * failure, else 1 when the bytes differed from the expected ones. */
static int expect(const Program* p, const Bytes* screen, const char* what) {
    int got =
        child_read_expect(&child, screen->bytes, screen->len, program_tail(p), READ_TIMEOUT_MS);
    if (got < 0 || (got > 0 && p->exact)) {
        report_failure(p, what);
        return -1;
    }
    return got;
}

static int finish(const Program* p, int failed) {
    double ended;
    if (!failed)
        child_send(&child, p->quit_key, strlen(p->quit_key));
    child_reap(&child, failed ? 0 : 2000, &ended);
    child_close(&child);
    return failed ? -1 : 0;
}

int session_time(const Program* p, int keys, Timing* t) {
    static double key_us[MAX_KEYS];
    double started;
    memset(t, 0, sizeof *t);
    if (child_start_pty(&child, p->argv, NULL, 80, 24, 0, &started) != 0)
        return -1;
    int got = expect(p, &p->first, "the first screen");
    t->startup_us = now_us() - started;
    t->startup_cpu_us = proc_cpu_us(child.pid);
    int failed = got < 0;
    t->differing_screens += got > 0;
    for (int k = 0; k < keys && k < MAX_KEYS && !failed; k++) {
        const char* key = program_key(p, k);
        double sent = now_us();
        failed = child_send(&child, key, strlen(key)) != 0;
        got = failed ? -1 : expect(p, program_move(p, k), "a redraw");
        key_us[k] = now_us() - sent;
        failed = got < 0;
        t->differing_screens += got > 0;
    }
    t->key_us = median(key_us, keys);
    t->key_cpu_us = (proc_cpu_us(child.pid) - t->startup_cpu_us) / keys;
    t->peak_kib = proc_status_kib(child.pid, "VmHWM:");
    return finish(p, failed);
}

/* The program's counters once it waits for the next key. */
static int settled_io(ChildIo* io) {
    return child_wait_idle(&child, READ_TIMEOUT_MS) == 0 ? proc_io(child.pid, io) : -1;
}

int session_count(const Program* p, int moves, Counts* counts) {
    double started, writes[MAX_KEYS], bytes[MAX_KEYS], terminal[MAX_KEYS], reads[MAX_KEYS];
    ChildIo before, after;
    if (child_start_pty(&child, p->argv, NULL, 80, 24, 0, &started) != 0)
        return -1;
    int failed = expect(p, &p->first, "the first screen") < 0;
    counts->first_terminal_bytes = (double)child.len;
    failed = failed || settled_io(&before) != 0;
    counts->first_writes = (double)before.writes;
    counts->first_bytes = (double)before.bytes_written;
    for (int k = 0; k < moves && k < MAX_KEYS && !failed; k++) {
        const char* key = program_key(p, k);
        failed = child_send(&child, key, strlen(key)) != 0 ||
                 expect(p, program_move(p, k), "a redraw") < 0;
        terminal[k] = (double)child.len;
        failed = failed || settled_io(&after) != 0;
        writes[k] = (double)(after.writes - before.writes);
        bytes[k] = (double)(after.bytes_written - before.bytes_written);
        reads[k] = (double)(after.reads - before.reads);
        before = after;
    }
    counts->move_writes = median(writes, moves);
    counts->move_bytes = median(bytes, moves);
    counts->move_terminal_bytes = median(terminal, moves);
    counts->move_reads = median(reads, moves);
    return finish(p, failed);
}
