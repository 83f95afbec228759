// The session around the story: the keyboard mode is set and always undone.
#include "session/session.h"
#include "story/story.h"
#include "support/pty_game.h"
#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

termios settings_of_stdin() {
    termios mode{};
    tcgetattr(STDIN_FILENO, &mode);
    return mode;
}

StateId a_broken_chooser() {
    throw std::runtime_error("broken");
}

TEST(Session, AnErrorEscapingTheStoryRestoresTheTerminalAndFails) {
    StdinPty terminal;
    termios mode = settings_of_stdin();
    mode.c_lflag |= ICANON | ECHO;
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
    story_chooser = a_broken_chooser;
    int status = 0;
    std::string drawn = capture_stdout([&] { status = run_game(); });
    EXPECT_NE(status, 0);
    EXPECT_TRUE(same_settings(settings_of_stdin(), mode));
    EXPECT_EQ(drawn.rfind("\x1b[0;37;40m\x1b[2J\x1b[1;1H", 0), 0u)
        << "the screen was cleared first, in the game's colours";
}

StateId quit_at_once() {
    return STATE_QUIT;
}

TEST(Session, WhileOpenOnlyCanonicalInputAndEchoAreOff) {
    StdinPty terminal;
    termios before = settings_of_stdin();
    before.c_lflag |= ICANON | ECHO;
    tcsetattr(STDIN_FILENO, TCSANOW, &before);
    termios during{};
    capture_stdout([&] {
        session_start();
        during = settings_of_stdin();
        session_end();
    });
    termios expected = before;
    expected.c_lflag &= ~(ICANON | ECHO);
    EXPECT_TRUE(same_settings(during, expected));
    EXPECT_TRUE(same_settings(settings_of_stdin(), before));

    story_chooser = quit_at_once;
    int status = -1;
    capture_stdout([&] { status = run_game(); });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_settings(settings_of_stdin(), before));
}

TEST(Session, WithoutATerminalNothingIsChangedOrApplied) {
    StdinPipe input;
    input.close_writer();
    story_chooser = quit_at_once;
    int status = -1;
    capture_stdout([&] { status = run_game(); });
    EXPECT_EQ(status, 0);
}

} // namespace
