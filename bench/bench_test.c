/* Checks of the benchmark's own pieces whose faults would skew figures
 * silently: the expected bytes, the key found for a label, the order
 * statistics. */
#include "child.h"
#include "extras.h"
#include "menu_screen.h"
#include "programs.h"
#include "stats.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int failures;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);                \
            failures++;                                                                            \
        }                                                                                          \
    } while (0)

static int same(const char* bytes, size_t len, const char* expected) {
    return len == strlen(expected) && memcmp(bytes, expected, len) == 0;
}

/* Appends option i's line as the game's chooser writes it. */
static char* option_line(char* p, int i, int lit) {
    return p + sprintf(p, " %d: %s%s\x1b[K\x1b[0;37;40m\r\n", i + 1, lit ? "\x1b[0;1;37;42m" : "",
                       menu_labels[i]);
}

static char* repeated(char* p, const char* bytes, int times) {
    while (times-- > 0)
        p = stpcpy(p, bytes);
    return p;
}

/* The game's chooser moves up by the line counts between the cursor and
 * the option it redraws, so the redraws after the first differ from it. */
static void test_redraws_follow_the_cursor(void) {
    char out[MENU_SCREEN_MAX], expected[MENU_SCREEN_MAX];
    MenuState state;
    int n = menu_options;
    size_t got = menu_first_screen(out, "\r\n", &state);
    char* p =
        expected +
        sprintf(expected, "\x1b[?2004h\x1b[0;37;40m\x1b[2J\x1b[1;1H%s\x1b[K\r\n\r\n", menu_text);
    for (int i = 0; i < n; i++)
        p = option_line(p, i, i == 0);
    strcpy(repeated(p, "\x1b[A", n), "\x1b[4C");
    CHECK(same(out, got, expected));
    got = menu_move(out, "\r\n", &state, 1);
    p = option_line(option_line(stpcpy(expected, "\r"), 0, 0), 1, 1);
    strcpy(p, "\x1b[A\x1b[4C");
    CHECK(same(out, got, expected));
    got = menu_move(out, "\r\n", &state, -1);
    p = option_line(repeated(option_line(stpcpy(expected, "\r"), 1, 0), "\x1b[A", 2), 0, 1);
    strcpy(p, "\x1b[A\x1b[4C");
    CHECK(same(out, got, expected));
    got = menu_move(out, "\r\n", &state, 1);
    p = option_line(option_line(stpcpy(expected, "\r"), 0, 0), 1, 1);
    strcpy(p, "\x1b[A\x1b[4C");
    CHECK(same(out, got, expected));
    got = menu_blank(out, "\n", &state);
    p = repeated(repeated(stpcpy(expected, "\r\x1b[A"), "\x1b[K\n", n), "\x1b[A", n);
    strcpy(p, "\x1b[0m\x1b[J\x1b[?2004l");
    CHECK(same(out, got, expected));
}

/* The moves wrap around: up from the first highlights the last. */
static void test_moves_wrap_around(void) {
    char out[MENU_SCREEN_MAX];
    MenuState state;
    menu_first_screen(out, "\n", &state);
    menu_move(out, "\n", &state, -1);
    CHECK(state.highlighted == menu_options - 1);
    CHECK(state.cursor_slot == menu_options - 1);
}

/* The steady pattern repeats from the third move on. */
static void test_move_pattern(void) {
    Program p;
    memset(&p, 0, sizeof p);
    CHECK(program_move(&p, 0) == &p.moves[0]);
    CHECK(program_move(&p, 1) == &p.moves[1]);
    CHECK(program_move(&p, 2) == &p.moves[2]);
    CHECK(program_move(&p, 7) == &p.moves[3]);
    CHECK(program_move(&p, 10) == &p.moves[2]);
}

static int listed_key(const char* output, size_t len, const char* label) {
    int typed;
    return child_listed_key(output, len, label, &typed);
}

static void test_listed_key(void) {
    static const char LISTING[] = " 1: \x1b[0;1;37;42mÖppna luckan\x1b[K\x1b[0;37;40m\r\n"
                                  " 2: Stänga luckan\x1b[K\x1b[0;37;40m\r\n"
                                  " 3: Vänta\x1b[K\x1b[0;37;40m\r\n";
    size_t n = sizeof LISTING - 1;
    CHECK(listed_key(LISTING, n, "Öppna luckan") == '1');
    CHECK(listed_key(LISTING, n, "Vänta") == '3');
    /* A label that ends another label is not taken for it. */
    CHECK(listed_key(LISTING, n, "luckan") == 0);
    CHECK(listed_key(LISTING, n, "Gå") == 0);
    /* The latest listing counts. */
    static const char TWICE[] = " 2: Vänta\x1b[K\r\n 1: Vänta\x1b[K\r\n";
    CHECK(listed_key(TWICE, sizeof TWICE - 1, "Vänta") == '1');
}

static void test_quantiles(void) {
    double v[] = {4, 1, 3, 2};
    CHECK(median(v, 4) == 2.5);
    CHECK(quantile(v, 4, 0.0) == 1);
    CHECK(quantile(v, 4, 1.0) == 4);
    CHECK(quantile(v, 4, 0.25) == 1.75);
    double one[] = {7};
    CHECK(median(one, 1) == 7);
}

static Child child;

/* The reference with the bed's menu as its arguments. */
static char* REF_ARGV[2 + MENU_MAX_OPTIONS + 1];

static void ref_argv_set(void) {
    REF_ARGV[0] = REF_MENU;
    REF_ARGV[1] = (char*)menu_text;
    for (int i = 0; i < menu_options; i++)
        REF_ARGV[2 + i] = (char*)menu_labels[i];
}

static size_t first_screen(char* out) {
    MenuState state;
    return menu_first_screen(out, "\r\n", &state);
}

/* Exact bytes, bytes that end alike but differ, and bytes that never come,
 * each answered as such. */
static void test_read_expect(void) {
    char first[MENU_SCREEN_MAX];
    size_t n = first_screen(first);
    double started, ended;
    CHECK(child_start_pty(&child, REF_ARGV, NULL, 80, 24, 0, &started) == 0);
    CHECK(child_read_expect(&child, first, n, 0, 5000) == 0);
    CHECK(child_send(&child, "\x1b[B", 3) == 0);
    char other[MENU_SCREEN_MAX];
    MenuState state;
    menu_first_screen(other, "\r\n", &state);
    size_t m = menu_move(other, "\r\n", &state, 1);
    other[0] = 'X';
    CHECK(child_read_expect(&child, other, m, 16, 5000) == 1);
    CHECK(child_read_expect(&child, "never", 5, 0, 100) == -1);
    CHECK(child_send(&child, "q", 1) == 0);
    CHECK(child_reap(&child, 5000, &ended) == 0);
    child_close(&child);
}

/* The kernel's counts for the reference: its first screen in one write(),
 * and a resident size and a processor time that were read at all. */
static void test_accounting(void) {
    char first[MENU_SCREEN_MAX];
    size_t n = first_screen(first);
    double started;
    ChildIo io;
    CHECK(child_start_pty(&child, REF_ARGV, NULL, 80, 24, 0, &started) == 0);
    CHECK(child_read_expect(&child, first, n, 0, 5000) == 0);
    CHECK(child_wait_idle(&child, 5000) == 0);
    CHECK(proc_io(child.pid, &io) == 0);
    CHECK(io.writes == 1);
    /* The newlines left as LF: two after the sentence, one an option. */
    CHECK(io.bytes_written == (long long)n - (2 + menu_options));
    CHECK(proc_status_kib(child.pid, "VmHWM:") > 0);
    CHECK(proc_cpu_us(child.pid) > 0);
    child_close(&child);
}

/* A program that does not end in time goes on until it is closed. */
static void test_reap_leaves_a_stuck_program_to_close(void) {
    double started, ended;
    CHECK(child_start_pty(&child, REF_ARGV, NULL, 80, 24, 0, &started) == 0);
    CHECK(child_reap(&child, 100, &ended) == -1);
    pid_t stuck = child.pid;
    CHECK(stuck > 0 && proc_state(stuck) != 'Z');
    child_close(&child);
    CHECK(child.pid == -1 && proc_state(stuck) == '?');
}

/* Through pipes, everything written comes back, and the end of input ends
 * a program that reads to it. */
static void test_pipes(void) {
    static char* const CAT[] = {"/bin/cat", NULL};
    double started, ended;
    CHECK(child_start_pipes(&child, CAT, &started) == 0);
    CHECK(child_send(&child, "abc", 3) == 0);
    close(child.in_fd);
    child.in_fd = -1;
    CHECK(child_read_all(&child, 5000) == 3);
    CHECK(same(child.buf, child.len, "abc"));
    CHECK(child_reap(&child, 5000, &ended) == 0);
    child_close(&child);
}

int main(void) {
    road_bed_menu();
    ref_argv_set();
    test_read_expect();
    test_accounting();
    test_reap_leaves_a_stuck_program_to_close();
    test_pipes();
    test_redraws_follow_the_cursor();
    test_moves_wrap_around();
    test_move_pattern();
    test_listed_key();
    test_quantiles();
    printf("%s\n", failures ? "bench_test: FAILED" : "bench_test: passed");
    return failures ? 1 : 0;
}
