#include "window/terminal_screen.h"

#include "term/ansi.h"

#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string NORMAL = "\x1b[0;37;40m";
const std::string HIGHLIGHT = "\x1b[0;1;37;42m";

struct ShownWindow {
    TerminalScreen* screen;
    TextWindow* window;

    ShownWindow(int width, int height)
        : screen(terminal_screen_new(width, height)),
          window(window_new(&TERMINAL_SCREEN_OPS, screen)) {}
    ~ShownWindow() {
        delete window;
        TERMINAL_SCREEN_OPS.destroy(screen);
    }
};

} // namespace

TEST(TerminalScreen, EachCellIsPlacedAndColouredOnTheTerminal) {
    ShownWindow shown(3, 2);
    std::string out = capture_stdout([&] { window_puts(shown.window, "ab"); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "a" + "\x1b[1;2H" + NORMAL + "b");
}

TEST(TerminalScreen, ScrollingRedrawsEveryRowFromItsCopy) {
    ShownWindow shown(3, 2);
    std::string out = capture_stdout([&] {
        window_puts(shown.window, "ab\n");
        window_set_attr(shown.window, ATTR_HIGHLIGHT);
        window_puts(shown.window, "cd");
    });
    out = capture_stdout([&] { window_putc(shown.window, '\n'); });
    std::string redraw =
        "\x1b[1;1H" + HIGHLIGHT + "cd" + NORMAL + " " + "\x1b[2;1H" + NORMAL + "   ";
    std::string cleared;
    for (int x = 1; x <= 3; x++)
        cleared += "\x1b[2;" + std::to_string(x) + "H" + HIGHLIGHT + " ";
    EXPECT_EQ(out, redraw + cleared);

    out = capture_stdout([&] { terminal_screen_redraw(shown.screen); });
    EXPECT_EQ(out, "\x1b[1;1H" + HIGHLIGHT + "cd" + NORMAL + " " + "\x1b[2;1H" + HIGHLIGHT + "   ");
}

TEST(TerminalScreen, ControlBytesNeverReachTheTerminal) {
    ShownWindow shown(4, 1);
    std::string out = capture_stdout([&] { window_puts(shown.window, "\x1b\a\x7f"); });
    EXPECT_EQ(out,
              "\x1b[1;1H" + NORMAL + "?" + "\x1b[1;2H" + NORMAL + "?" + "\x1b[1;3H" + NORMAL + "?");
    // A C1 control in UTF-8 (CSI) is no character to show either.
    ShownWindow c1(4, 1);
    out = capture_stdout([&] { window_puts(c1.window, "\xC2\x9B"); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "?   " + "\x1b[1;1H" + NORMAL + "??  ");
}

TEST(TerminalScreen, AUtf8CharacterShowsInTheColumnOfItsFirstByte) {
    ShownWindow shown(6, 1);
    std::string out = capture_stdout([&] { window_puts(shown.window, "p\xC3"); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "p" + "\x1b[1;1H" + NORMAL + "p?   ");
    out = capture_stdout([&] { window_putc(shown.window, '\xA5'); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "p\xC3\xA5    ");
    out = capture_stdout([&] { window_puts(shown.window, "\rpx"); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "p" + "\x1b[1;1H" + NORMAL + "px?  ");
}

TEST(TerminalScreen, ResizingKeepsTheCopyAndDrawsNothing) {
    ShownWindow shown(4, 2);
    capture_stdout([&] { window_puts(shown.window, "abcdef"); });
    std::string out = capture_stdout([&] { terminal_screen_resize(shown.screen, 2, 1); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(TERMINAL_SCREEN_OPS.width(shown.screen), 2);
    EXPECT_EQ(TERMINAL_SCREEN_OPS.height(shown.screen), 1);
    out = capture_stdout([&] { terminal_screen_redraw(shown.screen); });
    EXPECT_EQ(out, "\x1b[1;1H" + NORMAL + "ab");
}
