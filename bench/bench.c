/* The game's first screen and arrow keys against the least a hand-written
 * program could do for the same bytes, measured side by side through a
 * pseudo-terminal of 80x24. Every program runs once a round, in an order
 * shuffled from round to round; each ratio is taken within a round, so a
 * machine that speeds up or slows down during the run moves both sides of
 * it. */
#include "child.h"
#include "extras.h"
#include "programs.h"
#include "session.h"
#include "stats.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MAX_ROUNDS = 1000, COUNTED_MOVES = 10 };
/* The wall-clock figures the user sees, then the processor time the
 * program itself ran for them (steadier on a busy machine). */
enum { STARTUP, KEY, PEAK, STARTUP_CPU, KEY_CPU, FIGURES };
enum { WALL_FIGURES = 3 };

typedef struct {
    const char *game, *ref, *ref_static;
    int rounds, warmup, keys, escape_runs, walk_runs;
    int without_curses, without_callgrind;
    char* other_builds[MAX_OTHER_BUILDS];
    int other_count;
} Options;

static Program programs[MAX_PROGRAMS];
static int program_count;
static Timing timings[MAX_PROGRAMS][MAX_ROUNDS];

static void usage(void) {
    fputs("usage: vakna_bench --game PATH --ref PATH --ref-static PATH [--rounds N]\n"
          "       [--warmup N] [--keys N] [--escape-runs N] [--walk-runs N]\n"
          "       [--no-curses] [--no-callgrind] [--also NAME=PATH]...\n",
          stderr);
    exit(2);
}

static Options parse_options(int argc, char** argv) {
    Options o = {NULL, NULL, NULL, 40, 3, 20, 10, 10, 0, 0, {NULL}, 0};
    struct {
        const char* name;
        const char** text;
        int* number;
    } known[] = {{"--game", &o.game, NULL},
                 {"--ref", &o.ref, NULL},
                 {"--ref-static", &o.ref_static, NULL},
                 {"--rounds", NULL, &o.rounds},
                 {"--warmup", NULL, &o.warmup},
                 {"--keys", NULL, &o.keys},
                 {"--escape-runs", NULL, &o.escape_runs},
                 {"--walk-runs", NULL, &o.walk_runs}};
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--no-curses") == 0) {
            o.without_curses = 1;
            continue;
        }
        if (strcmp(argv[i], "--no-callgrind") == 0) {
            o.without_callgrind = 1;
            continue;
        }
        if (strcmp(argv[i], "--also") == 0 && i + 1 < argc && o.other_count < MAX_OTHER_BUILDS) {
            o.other_builds[o.other_count++] = argv[++i];
            continue;
        }
        size_t k = 0;
        while (k < sizeof known / sizeof known[0] && strcmp(argv[i], known[k].name) != 0)
            k++;
        if (k == sizeof known / sizeof known[0] || i + 1 == argc)
            usage();
        if (known[k].text)
            *known[k].text = argv[++i];
        else
            *known[k].number = atoi(argv[++i]);
    }
    if (!o.game || !o.ref || !o.ref_static || o.rounds < 1 || o.rounds > MAX_ROUNDS || o.keys < 2 ||
        o.keys > MAX_KEYS || o.warmup < 0)
        usage();
    return o;
}

static double figure(const Timing* t, int which) {
    switch (which) {
    case STARTUP:
        return t->startup_us / 1000.0;
    case KEY:
        return t->key_us;
    case PEAK:
        return (double)t->peak_kib;
    case STARTUP_CPU:
        return t->startup_cpu_us / 1000.0;
    default:
        return t->key_cpu_us;
    }
}

/* The median of a program's figure over the rounds. */
static double median_figure(int p, int which, int rounds) {
    double v[MAX_ROUNDS];
    for (int r = 0; r < rounds; r++)
        v[r] = figure(&timings[p][r], which);
    return median(v, rounds);
}

/* The quartiles and median of the per-round ratios of p to ref. */
static void ratios(int p, int ref, int which, int rounds, double q[3]) {
    double v[MAX_ROUNDS];
    for (int r = 0; r < rounds; r++)
        v[r] = figure(&timings[p][r], which) / figure(&timings[ref][r], which);
    q[0] = quantile(v, rounds, 0.25);
    q[1] = quantile(v, rounds, 0.5);
    q[2] = quantile(v, rounds, 0.75);
}

static void print_table(int rounds, int first, int last) {
    static const char* const HEADINGS[FIGURES] = {"start-up ms", "key trip us", "peak RSS KiB",
                                                  "start cpu ms", "key cpu us"};
    static const char* const FORMATS[FIGURES] = {"%13.3f", "%13.1f", "%13.0f", "%13.3f", "%13.1f"};
    printf("\n%-22s", "program");
    for (int which = first; which <= last; which++)
        printf(" %13s %-20s", HEADINGS[which], "ratio [quartiles]");
    printf("\n");
    for (int p = 0; p < program_count; p++) {
        printf("%-22s", programs[p].name);
        for (int which = first; which <= last; which++) {
            double q[3];
            ratios(p, 1, which, rounds, q);
            printf(" ");
            printf(FORMATS[which], median_figure(p, which, rounds));
            printf(" %5.2fx [%4.2f-%4.2f]  ", q[1], q[0], q[2]);
        }
        printf("\n");
    }
}

static void print_goals(int rounds) {
    static const char* const NAMES[WALL_FIGURES] = {"start-up", "key round trip", "peak RSS"};
    static const double GOALS[WALL_FIGURES] = {1.0, 1.05, 1.5};
    printf("\nvakna, median of per-round ratios:\n");
    for (int which = 0; which < WALL_FIGURES; which++) {
        double dynamic[3], fixed[3];
        ratios(0, 1, which, rounds, dynamic);
        ratios(0, 2, which, rounds, fixed);
        printf("  %-15s %5.2fx the C reference (goal <= %.2fx: %s), %5.2fx the static one\n",
               NAMES[which], dynamic[1], GOALS[which],
               dynamic[1] <= GOALS[which] ? "met" : "NOT met", fixed[1]);
    }
    int differing = 0;
    for (int r = 0; r < rounds; r++)
        for (int p = 0; p < program_count; p++)
            differing += programs[p].exact ? 0 : timings[p][r].differing_screens;
    if (differing)
        printf("  (%d screens of the curses menus ended on their marker but differed in bytes)\n",
               differing);
}

/* Returns how many programs could not be counted. */
static int print_counts(void) {
    int failures = 0;
    printf("\nwrite() calls and bytes, from the kernel's count of each program's calls "
           "(/proc/<pid>/io syscw, wchar, syscr),\n"
           "with the program asleep waiting for a key; terminal bytes as read on the master "
           "(newlines as CR LF); per move: median of %d\n",
           COUNTED_MOVES);
    printf("%-22s %14s %14s %14s   %14s %14s %14s %12s\n", "program", "first: writes", "bytes",
           "terminal bytes", "move: writes", "bytes", "terminal bytes", "reads");
    for (int p = 0; p < program_count; p++) {
        Counts c;
        if (session_count(&programs[p], COUNTED_MOVES, &c) != 0) {
            printf("%-22s (counting failed)\n", programs[p].name);
            failures++;
            continue;
        }
        printf("%-22s %14.0f %14.0f %14.0f   %14.0f %14.0f %14.0f %12.0f\n", programs[p].name,
               c.first_writes, c.first_bytes, c.first_terminal_bytes, c.move_writes, c.move_bytes,
               c.move_terminal_bytes, c.move_reads);
    }
    return failures;
}

/* Returns 1 when the game's actions could not be counted. */
static int print_action_writes(const char* game) {
    long long writes[ACTIONS];
    if (action_writes(game, writes) != 0) {
        printf("vakna, write() calls per action: counting failed\n");
        return 1;
    }
    printf("vakna, write() calls per action (/proc/<pid>/io syscw around each):");
    for (int a = 0; a < ACTIONS; a++)
        printf(" %s %lld%s", ACTION_NAMES[a], writes[a], a + 1 < ACTIONS ? "," : "\n");
    printf(
        "  (the resize's count holds the one-byte write of its signal handler to the wake pipe)\n");
    return 0;
}

/* A new order for every round, from a fixed seed so that runs repeat:
 * a merely rotated order would put each program always behind the same
 * one, and a program that runs right after a large one finds the caches
 * cold every time. */
static void shuffle(int* order, int n, unsigned* seed) {
    for (int i = 0; i < n; i++)
        order[i] = i;
    for (int i = n - 1; i > 0; i--) {
        *seed = *seed * 1103515245u + 12345u;
        int j = (int)((*seed >> 16) % (unsigned)(i + 1));
        int kept = order[i];
        order[i] = order[j];
        order[j] = kept;
    }
}

static int run_rounds(const Options* o) {
    unsigned seed = 1;
    int order[MAX_PROGRAMS];
    for (int r = -o->warmup; r < o->rounds; r++) {
        shuffle(order, program_count, &seed);
        for (int i = 0; i < program_count; i++) {
            Timing t;
            if (session_time(&programs[order[i]], o->keys, &t) != 0)
                return -1;
            if (r >= 0)
                timings[order[i]][r] = t;
        }
    }
    return 0;
}

/* Returns 0 when the game answered the lone Escape as a quit. */
static int run_escape(const Options* o) {
    EscapeTiming mid, least, most;
    if (o->escape_runs <= 0)
        return 0;
    if (escape_time(o->game, o->escape_runs, &mid, &least, &most) != 0) {
        printf("\nlone ESC: the game did not answer it as a quit\n");
        return 1;
    }
    printf("\nlone ESC, %d runs: list blanked after %.1f ms [%.1f-%.1f], "
           "game ended after %.1f ms [%.1f-%.1f] (median [least-most])\n",
           o->escape_runs, mid.answered_ms, least.answered_ms, most.answered_ms, mid.exited_ms,
           least.exited_ms, most.exited_ms);
    return 0;
}

enum { PIPED_INPUT_BYTES = 1000000 };

/* Returns 0 when the walkthrough reached the finale and the game took 1 MB
 * of piped input in both modes. */
static int run_walkthrough(const Options* o) {
    char keys[128];
    double ms;
    size_t bytes = 0;
    if (o->walk_runs <= 0)
        return 0;
    if (walkthrough_keys(o->game, keys, sizeof keys) != 0 ||
        walkthrough_time(o->game, keys, o->walk_runs, &ms, &bytes) != 0) {
        printf("walkthrough: the finale was not reached\n");
        return 1;
    }
    printf("walkthrough to the finale, keys %s\n", keys);
    printf("  through a pipe: %.2f ms, median of %d runs (%zu bytes of output)\n", ms, o->walk_runs,
           bytes);
    for (int plain = 0; plain <= 1; plain++) {
        if (piped_input_time(o->game, plain, PIPED_INPUT_BYTES, o->walk_runs, &ms) != 0) {
            printf("piped input: the game did not take it%s\n", plain ? " in the plain mode" : "");
            return 1;
        }
        printf("1 MB piped in%s: %.2f ms, %.0f MB/s\n", plain ? " (plain mode)" : "", ms,
               PIPED_INPUT_BYTES / 1e6 / (ms / 1000.0));
    }
    if (o->without_callgrind)
        return 0;
    long long count = walkthrough_instructions(o->game, keys);
    if (count >= 0)
        printf("  under callgrind: %lld instructions\n", count);
    else
        printf("  under callgrind: not measured (valgrind missing or failed)\n");
    return 0;
}

int main(int argc, char** argv) {
    Options o = parse_options(argc, argv);
    signal(SIGPIPE, SIG_IGN);
    road_bed_menu();
    program_count = programs_setup(programs, o.game, o.ref, o.ref_static, o.other_builds,
                                   o.other_count, o.without_curses);
    for (int p = 0; p < program_count; p++) {
        if (program_prepare(&programs[p]) == 0)
            continue;
        fprintf(stderr, "%s: could not learn its screens%s\n", programs[p].name,
                programs[p].exact ? "" : "; skipped");
        if (programs[p].exact)
            return 1;
        memmove(&programs[p], &programs[p + 1],
                sizeof programs[0] * (size_t)(program_count - p - 1));
        program_count--;
        p--;
    }
    printf("pseudo-terminal 80x24; %d rounds after %d warm-up, %d arrow keys a session "
           "(down and up in turn), order shuffled each round\n",
           o.rounds, o.warmup, o.keys);
    printf("medians over the rounds; ratios to \"C reference\" taken within each round, "
           "their median [quartiles]\n");
    if (run_rounds(&o) != 0)
        return 1;
    print_table(o.rounds, STARTUP, PEAK);
    printf("\nprocessor time of the program itself (/proc/<pid>/schedstat): until its first menu "
           "was read, and per key\n");
    print_table(o.rounds, STARTUP_CPU, KEY_CPU);
    print_goals(o.rounds);
    int failures = print_counts();
    failures += print_action_writes(o.game);
    failures += run_escape(&o);
    failures += run_walkthrough(&o);
    return failures ? 1 : 0;
}
