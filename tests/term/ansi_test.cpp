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

// The attribute puts blue in its lowest colour bit, ANSI puts red there.
int bits_reversed(int colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2);
}

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
    for (int attr = 0; attr < 256; ++attr) {
        SCOPED_TRACE(attr);
        std::string expected = ESC + "[" + (attr & 0x80 ? "5;" : "0;") + (attr & 0x08 ? "1;" : "") +
                               "3" + std::to_string(bits_reversed(attr & 7)) + ";4" +
                               std::to_string(bits_reversed((attr >> 4) & 7)) + "m";
        EXPECT_EQ(attr_bytes(attr), expected);
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
