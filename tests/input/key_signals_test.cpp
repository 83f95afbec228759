// The interrupt signals reach the reader's caller as KEY_INTERRUPT and the
// end of input as KEY_INPUT_CLOSED, at any moment, without another key press
// and without losing a waiting byte.
#include "input/key_test_support.h"
#include "support/stdio_redirect.h"

#include <cerrno>

namespace {

using KeySignals = KeySignalTest;

TEST_F(KeySignals, ThreeSignalsBeforeAReadGiveThreeInterrupts) {
    StdinPipe input;
    raise(SIGINT);
    raise(SIGQUIT);
    raise(SIGTERM);
    input.write("k");
    EXPECT_EQ(read_keys(4), (std::vector<int>{KEY_INTERRUPT, KEY_INTERRUPT, KEY_INTERRUPT, 'k'}));
}

// Each signal ends the wait for a key: a plain wait, the wait after a key
// the game has no use for (F13), and the wait in the middle of a sequence,
// which it drops.
TEST_F(KeySignals, SignalEndsTheWaitForAKey) {
    StdinPipe input;
    for (auto [typed, signal_number] : {std::pair{"", SIGINT},
                                        {"", SIGQUIT},
                                        {"", SIGTERM},
                                        {"\x1b[25~", SIGINT},
                                        {"\x1b[", SIGINT},
                                        {"\x1b[200~q", SIGINT}}) { // inside a paste
        input.write(typed);
        Later sender([signal_number] {
            sleep_ms(40);
            send_signal(signal_number);
        });
        // Should the signal not get through, a key frees the reader.
        Watchdog rescue(1000, [&] { input.write("k"); });
        double start = now_ms();
        EXPECT_EQ(read_key(), KEY_INTERRUPT) << "after ESC" << typed;
        EXPECT_LT(now_ms() - start, 900);
    }
    EXPECT_TRUE(nothing_held());
}

// The q, looked at to end the lone Esc, has begun the next key.
TEST_F(KeySignals, SignalsWhileAKeyHasBegunQueueBehindIt) {
    StdinPipe input;
    input.write("\x1b");
    Later typist([&] {
        sleep_ms(30);
        input.write("q");
    });
    EXPECT_EQ(read_key(), KEY_ESCAPE);
    raise(SIGTERM);
    raise(SIGINT);
    EXPECT_EQ(read_keys(3), (std::vector<int>{'q', KEY_INTERRUPT, KEY_INTERRUPT}));
}

// The handler touches none of the bytes held, which no key has begun with
// and which come after the interrupts.
TEST_F(KeySignals, InterruptsLeaveTheBytesHeldAlone) {
    StdinPipe input;
    input.write(std::string(256, 'a'));
    ASSERT_EQ(read_key(), 'a');
    ASSERT_EQ(unread_input_bytes(), 255);
    terminal_note_interrupt(SIGINT);
    terminal_note_interrupt(SIGINT);
    ASSERT_EQ(unread_input_bytes(), 255);
    std::vector<int> expected(255, 'a');
    expected.insert(expected.begin(), 2, KEY_INTERRUPT);
    EXPECT_EQ(read_keys(expected.size()), expected);
    EXPECT_TRUE(nothing_held());
}

volatile sig_atomic_t window_changes = 0;

void count_window_change(int) {
    window_changes = window_changes + 1;
}

TEST_F(KeySignals, WindowChangeSignalPushesNothing) {
    window_changes = 0;
    struct sigaction action = {};
    action.sa_handler = count_window_change;
    action.sa_flags = SA_RESTART; // as the session has it: a wait ends all the same
    sigaction(SIGWINCH, &action, nullptr);
    StdinPipe input;
    {
        Later resize_then_type([&] {
            sleep_ms(40);
            send_signal(SIGWINCH);
            sleep_ms(40);
            input.write("k");
        });
        EXPECT_EQ(read_key(), 'k');
    }
    EXPECT_EQ(window_changes, 1);

    // During a sequence it neither breaks the sequence nor adds a key: an
    // arrow key pressed while the window is resized still arrives.
    input.write("\x1b[");
    {
        Later resize_then_finish([&] {
            sleep_ms(40);
            send_signal(SIGWINCH);
            sleep_ms(20);
            input.write("B");
        });
        EXPECT_EQ(read_key(), KEY_DOWN);
    }
    EXPECT_TRUE(nothing_held());
    EXPECT_EQ(window_changes, 2);
    // Nor does it stretch a lone Esc's time limit.
    input.write("\x1b");
    Later resize([] {
        sleep_ms(40);
        send_signal(SIGWINCH);
    });
    double start = now_ms();
    EXPECT_EQ(read_key(), KEY_ESCAPE);
    EXPECT_LT(now_ms() - start, 1000);
    EXPECT_TRUE(nothing_held());
}

TEST_F(KeySignals, EndOfInputInterruptsAtOnceEveryTime) {
    StdinPipe input;
    input.write("a\x1b[");
    input.close_writer();
    EXPECT_EQ(read_key(), 'a');
    double start = now_ms();
    // The sequence cut short by the end is dropped.
    EXPECT_EQ(read_keys(4), std::vector<int>(4, KEY_INPUT_CLOSED));
    EXPECT_LT(now_ms() - start, 90);
    EXPECT_TRUE(nothing_held());
}

TEST_F(KeySignals, ClosedInputEndsTheInputWithItsError) {
    StdinPipe input;
    close(0);
    EXPECT_EQ(read_keys(2), (std::vector<int>{KEY_INPUT_CLOSED, KEY_INPUT_CLOSED}));
    EXPECT_EQ(input_error(), EBADF);
}

TEST_F(KeySignals, SignalMaskIsRestoredAfterEveryCall) {
    StdinPipe input;
    input.write("k\x1b[A\x1b");
    input.close_writer();
    for (int call = 0; call < 5; ++call) {
        read_key();
        sigset_t now;
        sigprocmask(SIG_SETMASK, nullptr, &now);
        EXPECT_FALSE(sigismember(&now, SIGINT) || sigismember(&now, SIGQUIT) ||
                     sigismember(&now, SIGTERM))
            << "after call " << call;
    }
}

} // namespace
