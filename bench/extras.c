#include "extras.h"

#include "child.h"
#include "menu_screen.h"
#include "stats.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

enum { TIMEOUT_MS = 5000 };

static Child child;

static const char FINALE[] = "Du har härmed klarat del:1 av spel:1.";

static char* const* game_argv(const char* game) {
    static char* argv[2];
    argv[0] = (char*)game;
    return argv;
}

int escape_time(const char* game, int runs, EscapeTiming* median_timing, EscapeTiming* least,
                EscapeTiming* most) {
    double answered[MAX_EXTRA_RUNS], exited[MAX_EXTRA_RUNS];
    char first[MENU_SCREEN_MAX], blank[MENU_SCREEN_MAX];
    MenuState state;
    size_t first_len = menu_first_screen(first, "\r\n", &state);
    size_t blank_len = menu_blank(blank, "\r\n", &state);
    int n = 0;
    for (; n < runs && n < MAX_EXTRA_RUNS; n++) {
        double started, ended;
        if (child_start_pty(&child, game_argv(game), NULL, 80, 24, 0, &started) != 0 ||
            child_read_expect(&child, first, first_len, 0, TIMEOUT_MS) != 0 ||
            child_wait_idle(&child, TIMEOUT_MS) != 0)
            break;
        double sent = now_us();
        child_send(&child, "\x1b", 1);
        int got = child_read_expect(&child, blank, blank_len, 0, TIMEOUT_MS);
        answered[n] = (now_us() - sent) / 1000.0;
        int status = child_reap(&child, TIMEOUT_MS, &ended);
        exited[n] = (ended - sent) / 1000.0;
        child_close(&child);
        if (got != 0 || status != 0)
            break;
    }
    child_close(&child);
    if (n < runs)
        return -1;
    least->answered_ms = quantile(answered, n, 0.0);
    most->answered_ms = quantile(answered, n, 1.0);
    median_timing->answered_ms = median(answered, n);
    least->exited_ms = quantile(exited, n, 0.0);
    most->exited_ms = quantile(exited, n, 1.0);
    median_timing->exited_ms = median(exited, n);
    return 0;
}

const char* const ACTION_NAMES[ACTIONS] = {"first screen", "move", "choice", "resize", "end"};

/* The game's write() calls so far, once it waits for a key, or once it has
 * ended (the process is then left unreaped until child_reap). */
static int writes_so_far(int ended, long long* writes) {
    ChildIo io;
    siginfo_t info;
    if (ended) {
        while (child_read_more(&child, TIMEOUT_MS) > 0) {
        }
        if (waitid(P_PID, (id_t)child.pid, &info, WEXITED | WNOWAIT) != 0)
            return -1;
    } else if (child_wait_idle(&child, TIMEOUT_MS) != 0) {
        return -1;
    }
    if (proc_io(child.pid, &io) != 0)
        return -1;
    *writes = io.writes;
    return 0;
}

int action_writes(const char* game, long long writes[ACTIONS]) {
    static const char* const KEYS[ACTIONS] = {NULL, "\x1b[B", "2", NULL, "q"};
    double started, ended;
    long long before = 0, after = 0;
    int failed = child_start_pty(&child, game_argv(game), NULL, 80, 24, 0, &started);
    for (int a = 0; a < ACTIONS && !failed; a++) {
        if (a == ACTION_RESIZE) {
            struct winsize size = {24, 60, 0, 0};
            ioctl(child.out_fd, TIOCSWINSZ, &size);
        } else if (KEYS[a] != NULL) {
            child_send(&child, KEYS[a], strlen(KEYS[a]));
        }
        failed = writes_so_far(a == ACTION_END, &after) != 0;
        writes[a] = after - before;
        before = after;
    }
    failed = child_reap(&child, TIMEOUT_MS, &ended) != 0 || failed;
    child_close(&child);
    return failed ? -1 : 0;
}

int walkthrough_keys(const char* game, char* keys, size_t size) {
    double started, ended;
    size_t count = road_length();
    if (count + 1 > size ||
        child_start_pty(&child, game_argv(game), NULL, 80, 24, 0, &started) != 0)
        return -1;
    int failed = 0;
    for (size_t i = 0; i < count && !failed; i++) {
        /* The listing is whole once the game waits for a key. */
        int typed;
        int key = child_wait_idle(&child, TIMEOUT_MS) == 0
                      ? child_listed_key(child.buf, child.len, road_label(i), &typed)
                      : 0;
        if (key == 0) {
            fprintf(stderr, "walkthrough: \"%s\" was not offered\n", road_label(i));
            failed = 1;
            break;
        }
        keys[i] = (char)key;
        child.len = 0;
        /* Wait for the answer to begin, so the next wait sees the game busy
         * or done with it and never the old listing. */
        failed = child_send(&child, &keys[i], 1) != 0 || child_read_more(&child, TIMEOUT_MS) <= 0;
    }
    keys[count] = '\0';
    int status = failed ? -1 : child_reap(&child, TIMEOUT_MS, &ended);
    child_close(&child);
    return failed || status != 0 ? -1 : 0;
}

/* Runs argv runs times with input piped in and the pipe closed behind it,
 * until it ends, its output on a pipe too; each run must end with status 0
 * and, unless expect is NULL, with expect in its output. The median time
 * and the output's size. */
static int time_piped_runs(char* const argv[], const char* input, size_t len, const char* expect,
                           int runs, double* median_ms, size_t* output_bytes) {
    double took[MAX_EXTRA_RUNS];
    int n = 0;
    for (; n < runs && n < MAX_EXTRA_RUNS; n++) {
        double started, ended;
        if (child_start_pipes(&child, argv, &started) != 0)
            break;
        int sent = child_send(&child, input, len);
        close(child.in_fd);
        child.in_fd = -1;
        *output_bytes = child_read_all(&child, TIMEOUT_MS);
        int found = expect == NULL || memmem(child.buf, child.len, expect, strlen(expect)) != NULL;
        int status = child_reap(&child, TIMEOUT_MS, &ended);
        took[n] = (ended - started) / 1000.0;
        child_close(&child);
        if (sent != 0 || !found || status != 0) {
            fprintf(stderr, "%s through a pipe: %s\n", argv[0],
                    found ? "the game did not end well" : "its output was not as expected");
            break;
        }
    }
    if (n < runs || n == 0)
        return -1;
    *median_ms = median(took, n);
    return 0;
}

int walkthrough_time(const char* game, const char* keys, int runs, double* median_ms,
                     size_t* output_bytes) {
    return time_piped_runs(game_argv(game), keys, strlen(keys), FINALE, runs, median_ms,
                           output_bytes);
}

int piped_input_time(const char* game, int plain, size_t bytes, int runs, double* median_ms) {
    char* argv[] = {(char*)game, plain ? (char*)"--plain" : NULL, NULL};
    char* input = malloc(bytes);
    size_t output_bytes;
    if (input == NULL)
        return -1;
    memset(input, 'x', bytes);
    int result = time_piped_runs(argv, input, bytes, NULL, runs, median_ms, &output_bytes);
    free(input);
    return result;
}

/* Callgrind's summary line on its log: "Collected : <instructions>". */
static long long collected(const char* log_path) {
    FILE* log = fopen(log_path, "r");
    char line[512];
    long long count = -1;
    while (log != NULL && fgets(line, sizeof line, log) != NULL) {
        const char* at = strstr(line, "Collected :");
        if (at != NULL)
            count = strtoll(at + strlen("Collected :"), NULL, 10);
    }
    if (log != NULL)
        fclose(log);
    return count;
}

long long walkthrough_instructions(const char* game, const char* keys) {
    static const char VALGRIND[] = "/usr/bin/valgrind";
    char log_path[] = "/tmp/vakna-callgrind-XXXXXX";
    char log_option[64];
    double started, ended;
    if (access(VALGRIND, X_OK) != 0)
        return -1;
    int log_fd = mkstemp(log_path);
    if (log_fd < 0)
        return -1;
    close(log_fd);
    snprintf(log_option, sizeof log_option, "--log-file=%s", log_path);
    char* argv[] = {(char*)VALGRIND, "--tool=callgrind", "--callgrind-out-file=/dev/null",
                    log_option,      (char*)game,        NULL};
    long long count = -1;
    if (child_start_pipes(&child, argv, &started) == 0) {
        child_send(&child, keys, strlen(keys));
        close(child.in_fd);
        child.in_fd = -1;
        child_read_all(&child, 120000);
        if (child_reap(&child, 120000, &ended) == 0)
            count = collected(log_path);
    }
    child_close(&child);
    unlink(log_path);
    return count;
}
