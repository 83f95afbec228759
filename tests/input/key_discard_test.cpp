// A terminal discards unread input when the interrupt key is typed, so a byte
// that the reader's wait has seen can be gone when it reads. The reader must
// then answer the interrupt instead of blocking until the next key press.
#include "input/key_test_support.h"
#include "support/stdio_redirect.h"

#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

// When not 0: the number of the coming question for the count of waiting
// bytes on descriptor 0 before which the interrupt key is typed, that is,
// the input is discarded and the signal sent.
int interrupt_key_at_count = 0;

void type_interrupt_key() {
    tcflush(0, TCIFLUSH);
    send_signal(SIGINT);
}

} // namespace

// Stands in for the C library's ioctl in this test program and forwards
// every call to it; armed, it plays the interrupt key in the narrow moment
// between the wait and the read, which no real typist can hit on purpose.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    if (fd == 0 && request == FIONREAD && interrupt_key_at_count > 0 &&
        --interrupt_key_at_count == 0)
        type_interrupt_key();
    using Ioctl = int (*)(int, unsigned long, ...);
    static Ioctl next = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    return next(fd, request, argument);
}

namespace {

class KeyDiscard : public KeySignalTest {
  protected:
    // Types a key and waits until the terminal holds it for reading.
    void type_and_wait(const std::string& bytes) {
        terminal.type(bytes);
        pollfd input = {0, POLLIN, 0};
        ASSERT_EQ(poll(&input, 1, 1000), 1);
    }

    StdinPty terminal;
    // A reader that blocks is freed by a later key, and fails on the time.
    Watchdog rescue{2000, [this] { terminal.type("z\n"); }};
};

TEST_F(KeyDiscard, InterruptAfterTheWaitIsAnsweredAtOnce) {
    type_and_wait("a");
    interrupt_key_at_count = 1;
    double start = now_ms();
    EXPECT_EQ(read_key(), KEY_INTERRUPT);
    EXPECT_LT(now_ms() - start, 1000);
    EXPECT_EQ(interrupt_key_at_count, 0);
    EXPECT_TRUE(nothing_held());
}

// In the wait for the byte after a lone ESC: the q vanishes unread, and the
// Esc comes before the interrupt, as from any wait the interrupt cuts.
TEST_F(KeyDiscard, DiscardedByteEndsTheTimedWaitWithoutReading) {
    type_and_wait("\x1b");
    interrupt_key_at_count = 2;
    Later typist([this] {
        sleep_ms(30);
        terminal.type("q");
    });
    double start = now_ms();
    EXPECT_EQ(read_key(), KEY_ESCAPE);
    EXPECT_LT(now_ms() - start, 1000);
    EXPECT_EQ(interrupt_key_at_count, 0);
    EXPECT_TRUE(nothing_held());
    EXPECT_EQ(read_key(), KEY_INTERRUPT);
}

TEST_F(KeyDiscard, DiscardedSequenceTailFailsTheSequence) {
    type_and_wait("\x1b[");
    interrupt_key_at_count = 2; // in the wait for the byte after "["
    Later typist([this] {
        sleep_ms(50);
        terminal.type("1");
    });
    // The "1" vanishes with the discarded input, and the sequence with it.
    EXPECT_EQ(read_key(), KEY_INTERRUPT);
}

TEST_F(KeyDiscard, KeyTypedThenDiscardedIsNeverRead) {
    type_and_wait("a");
    type_interrupt_key(); // before the reader runs
    EXPECT_EQ(read_key(), KEY_INTERRUPT);
    terminal.type("b");
    EXPECT_EQ(read_key(), 'b');
}

TEST_F(KeyDiscard, HungUpTerminalInterruptsAtOnce) {
    // Closes the master side, keeping its descriptor number taken.
    int nothing = open("/dev/null", O_WRONLY);
    dup2(nothing, terminal.master());
    close(nothing);
    double start = now_ms();
    EXPECT_EQ(read_keys(3), std::vector<int>(3, KEY_INPUT_CLOSED));
    EXPECT_LT(now_ms() - start, 1000);
}

TEST_F(KeyDiscard, EndOfFileCharacterInCanonicalModeIsTheEndOfInput) {
    termios mode;
    tcgetattr(0, &mode);
    mode.c_lflag |= ICANON;
    tcsetattr(0, TCSANOW, &mode);
    type_and_wait(std::string(1, static_cast<char>(mode.c_cc[VEOF])));
    double start = now_ms();
    EXPECT_EQ(read_key(), KEY_INPUT_CLOSED);
    EXPECT_LT(now_ms() - start, 1000);
}

} // namespace
