// The key reader holds what it has read of standard input and not yet used
// in one buffer, in one record with everything else it keeps (key_reader.h
// says what it owns). A key's road: next_code waits for input and reads
// all that is waiting, decode_key hands the bytes to the decoder one more at
// a time, waiting the time the decoder allows whenever it needs more, and
// the bytes the key took are gone.
#include "input/key_reader.h"

#include "input/key_decoder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int EVENT_KINDS = EVENT_CONTINUE + 1;
// A read takes all that is waiting, up to this, so a paste or a script
// costs a read a buffer, not a read a byte.
constexpr int HELD_SIZE = 4096;

// The reader's whole state. The handlers only raise their counts, note the
// first interrupt's signal and write to the pipe; the main path keeps its
// own counts of what it has answered. Neither side ever writes the other's
// fields, so nothing is lost to a signal between a look and a store.
struct KeyReader {
    // The bytes read and not yet used, held[start] to held[end - 1].
    char held[HELD_SIZE];
    int start = 0;
    int end = 0;
    // Of them, how many the decoder has looked at (the byte after a lone
    // Esc, the ESC that broke a sequence): the next key has begun with
    // them, and an interrupt waits until it has been read. Bytes that no key
    // has begun with come after an interrupt.
    int begun = 0;

    // Written by the handlers.
    volatile sig_atomic_t events_noted[EVENT_KINDS] = {};
    volatile sig_atomic_t interrupts_noted = 0;
    volatile sig_atomic_t interrupt_signal = 0;

    sig_atomic_t events_taken[EVENT_KINDS] = {};
    sig_atomic_t interrupts_answered = 0;
    int input_error = 0;
    // The handlers write a byte here after each note, and every wait watches
    // it beside standard input: a note made after the reader has looked
    // ends the wait that follows, with no signal ever held back.
    int signal_pipe[2] = {-1, -1};
};

KeyReader reader;

bool interrupt_waiting() {
    return reader.interrupts_noted != reader.interrupts_answered;
}

void empty_signal_pipe() {
    char bytes[64];
    while (read(reader.signal_pipe[0], bytes, sizeof bytes) > 0) {
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
    pollfd watched[2] = {{descriptor, events, 0}, {reader.signal_pipe[0], POLLIN, 0}};
    int ready = poll(watched, 2, timeout_ms);
    if (ready < 0 && errno != EINTR)
        return -1;
    if (ready < 0 || (watched[1].revents & POLLIN)) {
        if (reader.signal_pipe[0] >= 0)
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

int held_count() {
    return reader.end - reader.start;
}

// Reads what is waiting behind the bytes held: the result of the read. The
// bytes held are at most one key's begun, far fewer than the buffer holds,
// so moving them to its front always makes room. A descriptor left
// non-blocking that has nothing after all is no error: it reads as a
// signal, and the wait goes on.
int read_more() {
    if (reader.end == HELD_SIZE) {
        std::memmove(reader.held, reader.held + reader.start, held_count());
        reader.end = held_count();
        reader.start = 0;
    }
    ssize_t got = read(0, reader.held + reader.end, HELD_SIZE - reader.end);
    reader.end += got > 0 ? static_cast<int>(got) : 0;
    if (got < 0 && errno == EAGAIN)
        errno = EINTR;
    return static_cast<int>(got);
}

void use(int count) {
    reader.start += count;
    reader.begun = std::max(0, reader.begun - count);
    if (reader.start == reader.end)
        reader.start = reader.end = 0;
}

// Milliseconds on a clock that no one sets.
long long monotonic_ms() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// Waits up to timeout_ms (negative: without limit) for more bytes of a key
// begun, and reads them: false when none came. A signal that queues no key
// (a resize, a continue) does not break the wait, or an arrow key pressed
// while the window is being resized would be lost: the wait goes on for the
// time left. An interrupt ends it, and so do the end of input and an error,
// which the next wait for a key meets again.
bool more_came(int timeout_ms) {
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        int left = timeout_ms < 0 ? -1 : static_cast<int>(std::max(0LL, deadline - monotonic_ms()));
        int got = wait_for_input(left);
        if (got > 0)
            got = read_more();
        if (got > 0)
            return true;
        if (got == 0 || errno != EINTR || interrupt_waiting())
            return false;
    }
}

// The decoder's answer for the key that the bytes held begin with. It is
// given one more byte each time it needs one, so that the bytes it has
// looked at are known; when it has looked at all, the reader looks for
// bytes sent with them, and then waits the time the decoder allows. Bytes
// that come after that pause did not come together with the key's first.
int decode_key() {
    size_t together = SIZE_MAX;
    bool ended = false;
    KeyWithin within = WITHIN_NOTHING;
    for (;;) {
        reader.begun = std::max(reader.begun, std::min(1, held_count()));
        std::string_view bytes(reader.held + reader.start, reader.begun);
        KeyDecoded answer = key_decode({bytes, std::min(together, bytes.size()), ended, within});
        use(static_cast<int>(answer.used));
        together -= std::min(together, answer.used);
        within = answer.within;
        if (answer.key != KEY_MORE)
            return answer.key;
        if (reader.begun < held_count() || more_came(0)) {
            reader.begun++;
        } else if (answer.wait_ms == 0 || interrupt_waiting()) {
            ended = true;
        } else {
            together = std::min(together, static_cast<size_t>(reader.begun));
            ended = !more_came(answer.wait_ms);
            reader.begun += !ended;
        }
    }
}

bool take_event(TerminalEvent event) {
    if (reader.events_taken[event] == reader.events_noted[event])
        return false;
    reader.events_taken[event] = reader.events_noted[event];
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

int take_byte() {
    signed char byte = reader.held[reader.start];
    use(1);
    return byte;
}

// The next key (decoded) or byte (not), or the code of what came first: a
// noted stop, continue or resize, an interrupt, or the end of input. A
// signal that comes with a key goes first, and the key stays unread until
// then: Ctrl-Z and then 2 stop the game before the 2 is answered.
int next_code(bool decoded) {
    for (;;) {
        if (int event = take_terminal_event())
            return event;
        if (reader.begun == 0 && interrupt_waiting()) {
            reader.interrupts_answered = reader.interrupts_answered + 1;
            return KEY_INTERRUPT;
        }
        if (held_count() > 0)
            return decoded ? decode_key() : take_byte();
        int ready = wait_for_input(-1);
        int got = ready > 0 ? read_more() : ready;
        // After a signal, its interrupt is counted or its event noted; a
        // signal that did neither leaves the wait going on.
        if (got > 0 || (got < 0 && errno == EINTR))
            continue;
        // End of input or an error: every wait now ends at once, so the
        // game is told to end instead of asking again and again.
        if (got < 0)
            reader.input_error = errno;
        else if (terminal_hung_up())
            reader.input_error = EIO;
        return KEY_INPUT_CLOSED;
    }
}

// A standard descriptor that is closed must stay closed (the game reads
// its keys from descriptor 0, which may be), so the pipe keeps above them.
int above_standard(int descriptor) {
    if (descriptor > STDERR_FILENO)
        return descriptor;
    int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(descriptor);
    return moved;
}

// The pipe may be full of earlier wakings: the note is there all the same.
void wake_the_reader() {
    int saved_errno = errno;
    if (reader.signal_pipe[1] >= 0 && write(reader.signal_pipe[1], "", 1) < 0) {
    }
    errno = saved_errno;
}

} // namespace

// Without room for both ends above the standard descriptors (ulimit -n 4
// with descriptors closed) the game goes on without the pipe: one end alone
// would wake every wait at once, for ever.
void open_signal_pipe() {
    int* ends = reader.signal_pipe;
    if (ends[0] >= 0 || pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    for (int i = 0; i < 2; i++)
        ends[i] = above_standard(ends[i]);
    if (ends[0] >= 0 && ends[1] >= 0)
        return;
    for (int i = 0; i < 2; i++) {
        if (ends[i] >= 0)
            close(ends[i]);
        ends[i] = -1;
    }
}

void note_terminal_event(TerminalEvent event) {
    reader.events_noted[event] = reader.events_noted[event] + 1;
    wake_the_reader();
}

// Handlers that count hold each other back, so none interleaves with
// another on the count.
void on_interrupt(int signal_number) {
    if (reader.interrupt_signal == 0)
        reader.interrupt_signal = signal_number;
    reader.interrupts_noted = reader.interrupts_noted + 1;
    wake_the_reader();
}

int interrupt_signal() {
    return reader.interrupt_signal;
}

int input_error() {
    return reader.input_error;
}

int read_key() {
    for (;;) {
        int code = next_code(true);
        if (code != KEY_NONE)
            return code;
    }
}

int read_byte() {
    return next_code(false);
}

int unread_input_bytes() {
    return held_count();
}

void forget_unread_keys() {
    reader.start = reader.end = reader.begun = 0;
}

void give_back_unread_input() {
    struct stat input;
    off_t unused = held_count();
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
