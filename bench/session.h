/* One run of a program through a pseudo-terminal of 80x24: its first
 * screen, a number of arrow keys, then its quit key. */
#ifndef SESSION_H
#define SESSION_H

#include "programs.h"

enum { MAX_KEYS = 1000, READ_TIMEOUT_MS = 5000 };

typedef struct {
    double startup_us;     /* from just before the start to the first menu's last byte */
    double key_us;         /* median round trip of this session's keys */
    long peak_kib;         /* VmHWM just before the quit key */
    double startup_cpu_us; /* processor time the program ran until then */
    double key_cpu_us;     /* processor time it ran per key */
    int differing_screens; /* screens that ended right but held other bytes */
} Timing;

typedef struct {
    double first_writes, first_bytes, first_terminal_bytes;
    double move_writes, move_bytes, move_terminal_bytes, move_reads;
} Counts;

/* Times one session with the given number of keys. Returns 0 on success. */
int session_time(const Program* p, int keys, Timing* t);
/* Counts the write() calls and bytes of the first screen and of each move
 * from the kernel's accounting, in a session that is not timed. */
int session_count(const Program* p, int moves, Counts* counts);

#endif
