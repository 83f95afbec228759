#include "input/key_reader.h"

#include "input/key_decoder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

volatile char pushback_buf[256];
volatile std::uint8_t pushback_in;
volatile std::uint8_t pushback_out;

namespace {

constexpr char ESC = 27;

// What the handlers noted, as counts that only they raise; the reader keeps
// the counts it has answered. Neither side ever writes the other's, so
// nothing is lost to a signal between a look and a store.
constexpr int EVENT_KINDS = EVENT_CONTINUE + 1;
volatile sig_atomic_t events_noted[EVENT_KINDS];
sig_atomic_t events_taken[EVENT_KINDS];
volatile sig_atomic_t interrupts_noted;
sig_atomic_t interrupts_answered;

// The handlers write a byte here after each note, and every wait watches it
// beside standard input: a note made after the reader has looked ends the
// wait that follows, with no signal ever held back.
int signal_pipe[2] = {-1, -1};

bool interrupt_waiting() {
    return interrupts_noted != interrupts_answered;
}

void empty_signal_pipe() {
    char bytes[64];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

// True when descriptor 0 is a terminal in keyboard mode, still connected,
// with nothing to read although a wait has just seen input: typing the
// interrupt key discards unread input, and a read now would block until the
// next key press with the interrupt unanswered. (In canonical mode a lone
// end-of-file character reads the same way, and there the read returns at
// once.)
bool input_discarded() {
    int waiting = 0;
    if (ioctl(0, FIONREAD, &waiting) != 0 || waiting > 0)
        return false;
    termios mode;
    if (tcgetattr(0, &mode) != 0 || (mode.c_lflag & ICANON))
        return false;
    pollfd input = {0, POLLIN, 0};
    return poll(&input, 1, 0) >= 0 && !(input.revents & POLLHUP);
}

// Waits until the descriptor is ready for events or the time is up
// (negative: no limit): 1, 0, or -1 with errno EINTR when a handler has
// noted something, whose note the caller looks at next. The one wait of
// the game: for a key, and for a screen that takes no more.
int wait_until_ready(int descriptor, short events, int timeout_ms) {
    pollfd watched[2] = {{descriptor, events, 0}, {signal_pipe[0], POLLIN, 0}};
    int ready = poll(watched, 2, timeout_ms);
    if (ready < 0 && errno != EINTR)
        return -1;
    if (ready < 0 || (watched[1].revents & POLLIN)) {
        if (signal_pipe[0] >= 0)
            empty_signal_pipe();
        errno = EINTR;
        return -1;
    }
    return ready;
}

// Waits until standard input has a byte, as above.
int wait_for_input(int timeout_ms) {
    int ready = wait_until_ready(STDIN_FILENO, POLLIN, timeout_ms);
    if (ready > 0 && input_discarded()) {
        errno = EINTR;
        return -1;
    }
    return ready;
}

// Bytes read from standard input ahead of the keys they make: a read takes
// all that is waiting, so a paste or a script costs a read a buffer, not a
// read a byte. They come after the ring's bytes, which were read before them.
constexpr int READ_AHEAD_SIZE = 4096;
char read_ahead[READ_AHEAD_SIZE];
int read_ahead_at = 0;
int read_ahead_end = 0;

// Reads what is waiting into the empty read-ahead: the result of the read.
// A descriptor left non-blocking that has nothing after all is no error:
// it reads as a signal, and the wait goes on.
int read_more() {
    ssize_t got = read(0, read_ahead, READ_AHEAD_SIZE);
    read_ahead_at = 0;
    read_ahead_end = got > 0 ? static_cast<int>(got) : 0;
    if (got < 0 && errno == EAGAIN)
        errno = EINTR;
    return static_cast<int>(got);
}

std::uint8_t ring_count() {
    return static_cast<std::uint8_t>(pushback_in - pushback_out);
}

char ring_take() {
    char byte = pushback_buf[pushback_out];
    pushback_out = static_cast<std::uint8_t>(pushback_out + 1);
    return byte;
}

// Puts a byte back before everything unread: the byte that ended a failed
// sequence, or the one after a lone Esc, begins the next key.
void ring_put_back(char byte) {
    pushback_out = static_cast<std::uint8_t>(pushback_out - 1);
    pushback_buf[pushback_out] = byte;
}

// A byte that has already arrived: one put back, else one read ahead.
bool take_arrived(char* byte) {
    if (ring_count() > 0)
        *byte = ring_take();
    else if (read_ahead_at < read_ahead_end)
        *byte = read_ahead[read_ahead_at++];
    else
        return false;
    return true;
}

int wait_and_read(char* dest, int timeout_ms) {
    if (take_arrived(dest))
        return 1;
    int ready = wait_for_input(timeout_ms);
    if (ready <= 0)
        return ready;
    int got = read_more();
    return got > 0 && take_arrived(dest) ? 1 : got;
}

// Milliseconds on a clock that no one sets.
long long monotonic_ms() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// Waits up to timeout_ms (negative: without limit) for the next byte after
// an ESC. A signal that queues no key (a resize, a continue) does not break
// the wait, or an arrow key pressed while the window is being resized would
// be lost: the wait goes on for the time left. An interrupt ends it, and so
// do the end of input and an error, which the next wait for a key meets
// again.
int next_escape_byte(char* byte, int timeout_ms) {
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        int left = timeout_ms < 0 ? -1 : static_cast<int>(std::max(0LL, deadline - monotonic_ms()));
        int got = wait_and_read(byte, left);
        if (got < 0 && errno == EINTR && !interrupt_waiting())
            continue;
        return got;
    }
}

// Decodes a key sequence, or a string, from its "[", "O", "]", "P", "_" or
// "^" on. A sequence that fails (a byte outside the grammar, cut off by
// silence, the end of input or a signal) is dropped whole: replaying its
// bytes would make keys of them ("1;5A" would choose the first option). An
// ESC that breaks it begins the next key (Alt+[ and then Down is Down), and
// so does an ESC that ends a string with a byte other than the one of ST.
int decode_sequence(char first) {
    Decoder decoder;
    int result = decoder_step(decoder, first);
    char byte = first;
    while (result == GO_ON) {
        if (next_escape_byte(&byte, decoder_time_limit(decoder)) <= 0)
            return IGNORED;
        result = decoder_step(decoder, byte);
    }
    if (result == FAIL && (byte == ESC || decoder.state == STRING_ESC))
        ring_put_back(byte);
    if (result == FAIL && decoder.state == STRING_ESC)
        ring_put_back(ESC);
    return result == FAIL ? IGNORED : result;
}

// A byte that was sent together with the ESC: a key sequence, or Alt plus a
// key. Alt plus a key sequence (rxvt's Alt+Up is ESC ESC "[A") is that key;
// Alt plus anything else does nothing. After two ESCs any other byte begins
// a key of its own, a third ESC too: a held Esc and then Delete is no digit.
int decode_with_escape(char byte) {
    if (begins_sequence(byte))
        return decode_sequence(byte);
    if (byte == ESC && next_escape_byte(&byte, 0) == 1) {
        if (begins_sequence(byte))
            return decode_sequence(byte);
        ring_put_back(byte);
    }
    return IGNORED;
}

// Decodes what follows an ESC. Bytes already waiting were sent with it by
// one key press. Otherwise the ESC came alone, and a byte within the short
// wait may still begin a sequence; any other byte is a key of its own,
// replayed after the lone Esc, so Esc and then q typed a moment apart quit
// once.
int decode_escape() {
    char byte;
    int got = next_escape_byte(&byte, 0);
    if (got == 1)
        return decode_with_escape(byte);
    if (got == 0)
        got = next_escape_byte(&byte, ESCAPE_BYTE_TIMEOUT_MS);
    if (got <= 0)
        return KEY_ESCAPE;
    if (begins_sequence(byte))
        return decode_sequence(byte);
    ring_put_back(byte);
    return KEY_ESCAPE;
}

bool take_event(TerminalEvent event) {
    if (events_taken[event] == events_noted[event])
        return false;
    events_taken[event] = events_noted[event];
    return true;
}

// The key for a noted stop, continue or resize, 0 for none. The stop comes
// first, and the continue before the resize: the window is measured again
// after either anyway.
int take_terminal_event() {
    // A stop before an interrupt that is waiting would only delay the end.
    if (take_event(EVENT_SUSPEND) && !interrupt_waiting())
        return KEY_SUSPEND;
    if (take_event(EVENT_CONTINUE))
        return KEY_CONTINUE;
    if (take_event(EVENT_RESIZE))
        return KEY_RESIZE;
    return 0;
}

// The end of input from a terminal is a hang-up (its other side has
// closed) when the terminal says so: it then fails every control call with
// EIO, where anything that is not a terminal says ENOTTY.
bool terminal_hung_up() {
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLHUP) && !isatty(STDIN_FILENO) &&
           errno == EIO;
}

// The next byte, undecoded, as a signed value, or the code of what came
// first: a noted stop, continue or resize, an interrupt, or the end of
// input. Bytes put back come before an interrupt, bytes read ahead after it.
// A signal that comes with a key goes first, and the key stays unread until
// then: Ctrl-Z and then 2 stop the game before the 2 is answered.
int next_code() {
    char byte;
    for (;;) {
        if (int event = take_terminal_event())
            return event;
        if (ring_count() > 0)
            return static_cast<signed char>(ring_take());
        if (interrupt_waiting()) {
            interrupts_answered = interrupts_answered + 1;
            return KEY_INTERRUPT;
        }
        if (take_arrived(&byte))
            return static_cast<signed char>(byte);
        int ready = wait_for_input(-1);
        int got = ready > 0 ? read_more() : ready;
        // After a signal, its interrupt is counted or its event noted; a
        // signal that did neither leaves the wait going on.
        if (got > 0 || (got < 0 && errno == EINTR))
            continue;
        // End of input or an error: every wait now ends at once, so the
        // game is told to end instead of asking again and again.
        if (got < 0)
            input_error = errno;
        else if (terminal_hung_up())
            input_error = EIO;
        return KEY_INPUT_CLOSED;
    }
}

// One key, or IGNORED when the input held a sequence of a key the game has
// no use for, or Alt plus a key; its bytes are gone.
int read_one_key() {
    int code = next_code();
    return code == ESC ? decode_escape() : code;
}

} // namespace

volatile int interrupt_signal = 0;
int input_error = 0;

// A standard descriptor that is closed must stay closed (the game reads
// its keys from descriptor 0, which may be), so the pipe keeps above them.
static int above_standard(int descriptor) {
    if (descriptor > STDERR_FILENO)
        return descriptor;
    int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(descriptor);
    return moved;
}

// Without room for both ends above the standard descriptors (ulimit -n 4
// with descriptors closed) the game goes on without the pipe: one end alone
// would wake every wait at once, for ever.
void open_signal_pipe() {
    if (signal_pipe[0] >= 0 || pipe2(signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    for (int& end : signal_pipe)
        end = above_standard(end);
    if (signal_pipe[0] >= 0 && signal_pipe[1] >= 0)
        return;
    for (int& end : signal_pipe) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

// The pipe may be full of earlier wakings: the note is there all the same.
static void wake_the_reader() {
    int saved_errno = errno;
    if (signal_pipe[1] >= 0 && write(signal_pipe[1], "", 1) < 0) {
    }
    errno = saved_errno;
}

void note_terminal_event(TerminalEvent event) {
    events_noted[event] = events_noted[event] + 1;
    wake_the_reader();
}

int read_key() {
    for (;;) {
        int code = read_one_key();
        if (code != IGNORED)
            return code;
    }
}

int read_byte() {
    return next_code();
}

void forget_unread_keys() {
    pushback_out = pushback_in;
    read_ahead_at = read_ahead_end = 0;
}

void give_back_unread_input() {
    struct stat input;
    off_t unused = ring_count() + (read_ahead_end - read_ahead_at);
    if (unused > 0 && fstat(STDIN_FILENO, &input) == 0 && S_ISREG(input.st_mode))
        lseek(STDIN_FILENO, -unused, SEEK_CUR);
    forget_unread_keys();
}

void discard_unread_keys() {
    forget_unread_keys();
    if (!isatty(STDIN_FILENO))
        return;
    const long long deadline = monotonic_ms() + MOST_DISCARD_MS;
    for (;;) {
        long long left = deadline - monotonic_ms();
        if (tcflush(STDIN_FILENO, TCIFLUSH) != 0 || left <= 0)
            return;
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        int ready = poll(&input, 1, static_cast<int>(std::min<long long>(left, PASTE_PAUSE_MS)));
        // A signal cuts the wait short without ending the paste; a hang-up
        // or an error, which a hung-up terminal reports beside its input,
        // does.
        bool arrived = ready > 0 && input.revents == POLLIN;
        if (!arrived && !(ready < 0 && errno == EINTR))
            return;
    }
}

void wait_for_output_room() {
    wait_until_ready(STDOUT_FILENO, POLLOUT, -1);
}

int read_byte_timeout(char* dest, int timeout_ms) {
    return wait_and_read(dest, timeout_ms);
}

// Handlers that count hold each other back, so none interleaves with
// another on the count.
void on_interrupt(int signal_number) {
    if (interrupt_signal == 0)
        interrupt_signal = signal_number;
    interrupts_noted = interrupts_noted + 1;
    wake_the_reader();
}
