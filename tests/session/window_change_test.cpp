// The window-size signal as the session takes it.
#include "input/key_reader.h"
#include "session/session.h"
#include "support/stdio_redirect.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// Puts back the disposition a signal had, when the test ends however it
// ends.
class DispositionKept {
  public:
    explicit DispositionKept(int signal_number) : signal_number_(signal_number) {
        sigaction(signal_number, nullptr, &saved_);
    }
    ~DispositionKept() { sigaction(signal_number_, &saved_, nullptr); }
    DispositionKept(const DispositionKept&) = delete;
    DispositionKept& operator=(const DispositionKept&) = delete;

  private:
    int signal_number_;
    struct sigaction saved_ {};
};

// A real SIGWINCH, as the kernel sends it to the foreground of a resized
// terminal, to the handler installed as the session installs it; raising
// it delivers it before raise returns, on this one thread. The handler only
// notes it: the size changes when the main path takes the note and measures.
// The widths are checked once standard output is back.
TEST(WindowChange, IsNotedForTheMainPathToMeasure) {
    DispositionKept kept(SIGWINCH);
    bool resized = true;
    int at_start, before_signal, after_signal, measured, after_second_signal;
    int noted, noted_again;
    {
        StdoutPty terminal;
        resized = resized && terminal.resize(50, 20);
        session_signals_on(STYLE_PLAIN);
        term_measure_window();
        at_start = term_window().columns;

        resized = resized && terminal.resize(33, 20);
        before_signal = term_window().columns;
        raise(SIGWINCH);
        after_signal = term_window().columns;
        noted = read_key();
        term_measure_window();
        measured = term_window().columns;

        resized = resized && terminal.resize(120, 20);
        kill(getpid(), SIGWINCH);
        noted_again = read_key();
        term_measure_window();
        after_second_signal = term_window().columns;
    }
    ASSERT_TRUE(resized);
    EXPECT_EQ(at_start, 50);
    EXPECT_EQ(before_signal, 50);
    EXPECT_EQ(after_signal, 50) << "the handler measures nothing";
    EXPECT_EQ(noted, KEY_RESIZE);
    EXPECT_EQ(measured, 33);
    EXPECT_EQ(noted_again, KEY_RESIZE) << "the handler stays installed after it has run";
    EXPECT_EQ(after_second_signal, 120);
}

} // namespace
