// The session around the story: the keyboard mode is set and always undone.
#include "session/session.h"
#include "story/story.h"
#include "support/pty_game.h"
#include "support/stdio_redirect.h"
#include "term/terminal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

StateId a_broken_chooser() {
    throw std::runtime_error("broken");
}

TEST(SessionFrame, AnErrorEscapingTheStoryRestoresTheTerminalAndFails) {
    StdinPty terminal;
    termios mode = terminal.settings();
    mode.c_lflag |= ICANON | ECHO;
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
    story_set_hooks({a_broken_chooser, nullptr});
    int status = 0;
    std::string drawn = capture_stdout([&] { status = run_game(); });
    EXPECT_NE(status, 0);
    EXPECT_TRUE(same_settings(terminal.settings(), mode));
    EXPECT_EQ(drawn.rfind("\x1b[?2004h\x1b[0;37;40m\x1b[2J\x1b[1;1H", 0), 0u)
        << "the screen was cleared first, in the game's colours";
}

StateId quit_at_once() {
    return STATE_QUIT;
}

TEST(SessionFrame, WhileOpenOnlyCanonicalInputEchoAndFlowControlAreOff) {
    StdinPty terminal;
    termios before = terminal.settings();
    before.c_lflag |= ICANON | ECHO;
    before.c_iflag |= IXON;
    tcsetattr(STDIN_FILENO, TCSANOW, &before);
    termios during{};
    capture_stdout([&] {
        terminal_take(STYLE_COLOR);
        during = terminal.settings();
        terminal_screen_off();
        terminal_keyboard_off();
    });
    EXPECT_TRUE(same_settings(during, game_mode(before)));
    EXPECT_TRUE(same_settings(terminal.settings(), before));

    story_set_hooks({quit_at_once, nullptr});
    int status = -1;
    capture_stdout([&] { status = run_game(); });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_settings(terminal.settings(), before));
}

// The settings of the terminal on standard output, read while the story
// runs.
termios output_settings_in_game{};

StateId note_output_settings_and_quit() {
    tcgetattr(STDOUT_FILENO, &output_settings_in_game);
    return STATE_QUIT;
}

// Played from a pipe with the screen on a terminal, as `printf 12 | vakna`
// does: only standard input's settings are the game's to change, so that
// terminal keeps its own, with canonical input and echo on, throughout.
TEST(SessionFrame, WithoutATerminalNothingIsChangedOrApplied) {
    StdinPipe input;
    input.close_writer();
    termios found_before = terminal_found_settings(); // an earlier case may have set them
    story_set_hooks({note_output_settings_and_quit, nullptr});
    int status = -1;
    termios before, after;
    {
        StdoutPty screen;
        before = screen.settings();
        status = run_game();
        after = screen.settings();
    }
    ASSERT_TRUE((before.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_settings(terminal_found_settings(), found_before))
        << "nothing was saved from a pipe";
    EXPECT_TRUE(same_settings(output_settings_in_game, before));
    EXPECT_TRUE(same_settings(after, before));
}

} // namespace
