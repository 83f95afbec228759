#include "support/stdio_redirect.h"
#include "term/ansi.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

const std::string ESC = "\x1b";

std::string attr_bytes(TextAttr attr) {
    return capture_stdout([&] { term_set_attr(attr); });
}

// The ANSI numbers of the eight attribute colours, written out by name:
// black, blue, green, cyan, red, magenta, yellow, white.
const char* const FOREGROUND[8] = {"30", "34", "32", "36", "31", "35", "33", "37"};
const char* const BACKGROUND[8] = {"40", "44", "42", "46", "41", "45", "43", "47"};

} // namespace

TEST(AnsiTest, MoveToPutsRowFirstAndCountsFromOne) {
    EXPECT_EQ(capture_stdout([] { term_move_to(0, 0); }), ESC + "[1;1H");
    EXPECT_EQ(capture_stdout([] { term_move_to(9, 4); }), ESC + "[5;10H");
    EXPECT_EQ(capture_stdout([] { term_move_to(79, 23); }), ESC + "[24;80H");
}

TEST(AnsiTest, RelativeMovesOmitZeroAndWriteOneInShortForm) {
    struct Move {
        void (*move)(int);
        char final_byte;
    };
    const Move moves[] = {{term_cursor_up, 'A'},
                          {term_cursor_down, 'B'},
                          {term_cursor_right, 'C'},
                          {term_cursor_left, 'D'}};
    for (const Move& m : moves) {
        SCOPED_TRACE(m.final_byte);
        auto bytes = [&](int n) { return capture_stdout([&] { m.move(n); }); };
        EXPECT_EQ(bytes(0), "");
        EXPECT_EQ(bytes(1), ESC + "[" + m.final_byte);
        EXPECT_EQ(bytes(2), ESC + "[2" + m.final_byte);
        EXPECT_EQ(bytes(17), ESC + "[17" + m.final_byte);
        EXPECT_EQ(bytes(-1), ESC + "[-1" + m.final_byte);
    }
}

TEST(AnsiTest, AttributeWorkedValues) {
    EXPECT_EQ(attr_bytes(ATTR_NORMAL), ESC + "[0;37;40m");
    EXPECT_EQ(attr_bytes(ATTR_HIGHLIGHT), ESC + "[0;1;37;42m");
    EXPECT_EQ(attr_bytes(0), ESC + "[0;30;40m");
    EXPECT_EQ(attr_bytes(15), ESC + "[0;1;37;40m");
    EXPECT_EQ(attr_bytes(128), ESC + "[5;30;40m");
    EXPECT_EQ(attr_bytes(158), ESC + "[5;1;33;44m");
    // Attribute blue is ANSI 4, attribute red is ANSI 1, in either layer.
    EXPECT_EQ(attr_bytes(0x41), ESC + "[0;34;41m");
    EXPECT_EQ(attr_bytes(0x14), ESC + "[0;31;44m");
}

TEST(AnsiTest, EveryAttributeKeepsBlinkAndBrightOutOfTheColours) {
    // What comes before the colours, by blink (bit 7) and bright (bit 3):
    // blink stands where the reset would.
    const char* const PREFIX[2][2] = {{"0;", "0;1;"}, {"5;", "5;1;"}};
    for (int blink = 0; blink < 2; ++blink)
        for (int bright = 0; bright < 2; ++bright)
            for (int background = 0; background < 8; ++background)
                for (int foreground = 0; foreground < 8; ++foreground) {
                    int attr = blink * 128 + background * 16 + bright * 8 + foreground;
                    SCOPED_TRACE(attr);
                    EXPECT_EQ(attr_bytes(attr), ESC + "[" + PREFIX[blink][bright] +
                                                    FOREGROUND[foreground] + ";" +
                                                    BACKGROUND[background] + "m");
                }
}

TEST(AnsiTest, SingleBytesAndErasures) {
    // A UTF-8 letter written one byte at a time arrives unchanged.
    std::string letter = "ö";
    EXPECT_EQ(capture_stdout([&] {
                  for (char c : letter)
                      term_putch(c);
              }),
              letter);
    EXPECT_EQ(capture_stdout([] { term_putch('\n'); }), "\n");
    EXPECT_EQ(capture_stdout([] { term_clear_screen(); }), ESC + "[2J");
    EXPECT_EQ(capture_stdout([] { term_clear_eol(); }), ESC + "[K");
}

TEST(AnsiTest, OutputStaysInTheStreamBufferUntilItIsFlushed) {
    off_t written_early = -1;
    std::string out = capture_stdout([&] {
        term_move_to(3, 2);
        term_cursor_up(2);
        term_set_attr(ATTR_HIGHLIGHT);
        term_putch('x');
        term_clear_screen();
        term_clear_eol();
        struct stat file;
        fstat(1, &file);
        written_early = file.st_size;
    });
    EXPECT_EQ(written_early, 0);
    EXPECT_EQ(out, ESC + "[3;4H" + ESC + "[2A" + ESC + "[0;1;37;42mx" + ESC + "[2J" + ESC + "[K");
}
