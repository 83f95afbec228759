#include "input/key_reader.h"

#include "input/key_decoder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

volatile char pushback_buf[256];
volatile std::uint8_t pushback_in;
volatile std::uint8_t pushback_out;

namespace {

constexpr char ESC = 27;

volatile sig_atomic_t events_noted[2];
// Interrupt signals not yet answered with KEY_INTERRUPT.
volatile sig_atomic_t interrupts_pending;

// Holds the reported signals back for its life, so that their handlers run
// only inside a wait (pselect lets them in atomically with caller_mask):
// never while the reader looks at or changes what they note, and never
// between that look and the wait, where a note would wait unseen.
struct SignalHold {
    sigset_t caller_mask;

    SignalHold() { sigprocmask(SIG_BLOCK, &reported_signals, &caller_mask); }
    ~SignalHold() { sigprocmask(SIG_SETMASK, &caller_mask, nullptr); }
    // Runs the handlers of signals that are waiting, then holds on again.
    void let_waiting_signals_in() const {
        sigset_t held;
        sigprocmask(SIG_SETMASK, &caller_mask, &held);
        sigprocmask(SIG_SETMASK, &held, nullptr);
    }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;
};

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

// Waits until standard input has a byte or the time is up: 1, 0, or -1 with
// errno EINTR after a signal. The game's signals are held back by the
// caller and let in, with wait_mask, only during the wait.
int wait_for_input(int timeout_ms, const sigset_t& wait_mask) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(0, &readable);
    timespec limit = {timeout_ms / 1000, timeout_ms % 1000 * 1000000L};
    int ready =
        pselect(1, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &limit, &wait_mask);
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
int read_more() {
    ssize_t got = read(0, read_ahead, READ_AHEAD_SIZE);
    read_ahead_at = 0;
    read_ahead_end = got > 0 ? static_cast<int>(got) : 0;
    return static_cast<int>(got);
}

bool ring_holds_bytes() {
    return pushback_out != pushback_in;
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
    if (ring_holds_bytes())
        *byte = ring_take();
    else if (read_ahead_at < read_ahead_end)
        *byte = read_ahead[read_ahead_at++];
    else
        return false;
    return true;
}

// read_byte_timeout with the game's signals already held back.
int wait_and_read(char* dest, int timeout_ms, const sigset_t& wait_mask) {
    if (take_arrived(dest))
        return 1;
    int ready = wait_for_input(timeout_ms, wait_mask);
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

// Waits up to timeout_ms for the next byte after an ESC. A signal that
// queues no key (a resize, a continue) does not break the wait, or an arrow
// key pressed while the window is being resized would be lost: the wait
// goes on for the time left. An interrupt ends it, and so do the end of
// input and an error, which the next wait for a key meets again.
int next_escape_byte(char* byte, int timeout_ms, const sigset_t& wait_mask) {
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        int left = static_cast<int>(std::max(0LL, deadline - monotonic_ms()));
        int got = wait_and_read(byte, left, wait_mask);
        if (got < 0 && errno == EINTR && interrupts_pending == 0)
            continue;
        return got;
    }
}

bool starts_sequence(char byte) {
    return byte == '[' || byte == 'O';
}

// Decodes a key sequence from its "[" or "O" on. A sequence that fails (a
// byte outside the grammar, too long, cut off by silence, the end of input
// or a signal) is dropped whole: replaying its bytes would make keys of
// them ("1;5A" would choose the first option). An ESC that breaks it begins
// the next key (Alt+[ and then Down is Down).
int decode_sequence(char first, const sigset_t& wait_mask) {
    Decoder decoder;
    int result = decoder_step(decoder, first);
    char byte = first;
    while (result == GO_ON) {
        if (next_escape_byte(&byte, SEQUENCE_BYTE_TIMEOUT_MS, wait_mask) <= 0)
            return IGNORED;
        result = decoder_step(decoder, byte);
    }
    if (result == FAIL && byte == ESC)
        ring_put_back(byte);
    return result == FAIL ? IGNORED : result;
}

// A byte that was sent together with the ESC: a key sequence, or Alt plus a
// key. Alt plus a key sequence (rxvt's Alt+Up is ESC ESC "[A") is that key;
// Alt plus anything else does nothing. After two ESCs any other byte begins
// a key of its own, a third ESC too: a held Esc and then Delete is no digit.
int decode_with_escape(char byte, const sigset_t& wait_mask) {
    if (starts_sequence(byte))
        return decode_sequence(byte, wait_mask);
    if (byte == ESC && next_escape_byte(&byte, 0, wait_mask) == 1) {
        if (starts_sequence(byte))
            return decode_sequence(byte, wait_mask);
        ring_put_back(byte);
    }
    return IGNORED;
}

// Decodes what follows an ESC. Bytes already waiting were sent with it by
// one key press. Otherwise the ESC came alone, and a byte within the short
// wait may still begin a sequence; any other byte is a key of its own,
// replayed after the lone Esc, so Esc and then q typed a moment apart quit
// once.
int decode_escape(const sigset_t& wait_mask) {
    char byte;
    int got = next_escape_byte(&byte, 0, wait_mask);
    if (got == 1)
        return decode_with_escape(byte, wait_mask);
    if (got == 0)
        got = next_escape_byte(&byte, ESCAPE_BYTE_TIMEOUT_MS, wait_mask);
    if (got <= 0)
        return KEY_ESCAPE;
    if (starts_sequence(byte))
        return decode_sequence(byte, wait_mask);
    ring_put_back(byte);
    return KEY_ESCAPE;
}

bool terminal_event_noted() {
    return events_noted[EVENT_SUSPEND] || events_noted[EVENT_RESIZE];
}

bool take_event(TerminalEvent event) {
    if (!events_noted[event])
        return false;
    events_noted[event] = 0;
    return true;
}

// The key for a noted stop or resize, 0 for none. The stop comes first: the
// window is measured again after it anyway.
int take_terminal_event() {
    // A stop before an interrupt that is waiting would only delay the end.
    if (take_event(EVENT_SUSPEND) && interrupts_pending == 0)
        return KEY_SUSPEND;
    if (take_event(EVENT_RESIZE))
        return KEY_RESIZE;
    return 0;
}

// The next byte, undecoded, as a signed value, or the code of what came
// first: a noted stop or resize, an interrupt, or the end of input. Bytes
// put back come before an interrupt, bytes read ahead after it.
int next_code(const SignalHold& hold) {
    char byte;
    for (;;) {
        if (int event = take_terminal_event())
            return event;
        if (ring_holds_bytes())
            return static_cast<signed char>(ring_take());
        if (interrupts_pending > 0) {
            interrupts_pending = interrupts_pending - 1;
            return KEY_INTERRUPT;
        }
        if (take_arrived(&byte))
            return static_cast<signed char>(byte);
        int ready = wait_for_input(-1, hold.caller_mask);
        // A wait that ends with input ready puts the held mask back at once,
        // and a signal that came just before the key (Ctrl-Z, then a key)
        // would wait until after it. Its key or event goes first, and the
        // key stays unread until then: Ctrl-Z and then 2 stop the game
        // before the 2 is answered.
        if (ready > 0) {
            hold.let_waiting_signals_in();
            if (terminal_event_noted() || interrupts_pending > 0)
                continue;
        }
        int got = ready > 0 ? read_more() : ready;
        // After a signal, its interrupt is counted or its event noted; a
        // signal that did neither leaves the wait going on.
        if (got > 0 || (got < 0 && errno == EINTR))
            continue;
        // End of input or an error: every wait now ends at once, so the
        // game is told to end instead of asking again and again.
        if (got < 0)
            input_error = errno;
        return KEY_INPUT_CLOSED;
    }
}

// A byte that has already arrived, while no signal has noted anything:
// taken without holding the signals back, since no wait follows that a note
// could be left behind. It spares a pasted or piped byte two system calls.
bool take_quietly(int* code) {
    char byte;
    if (terminal_event_noted() || interrupts_pending > 0 || !take_arrived(&byte))
        return false;
    *code = static_cast<signed char>(byte);
    return true;
}

// One key, or IGNORED when the input held a sequence of a key the game has
// no use for, or Alt plus a key; its bytes are gone.
int read_one_key() {
    int code = 0;
    if (take_quietly(&code) && code != ESC)
        return code;
    SignalHold hold;
    if (code != ESC)
        code = next_code(hold);
    return code == ESC ? decode_escape(hold.caller_mask) : code;
}

} // namespace

volatile int interrupt_signal = 0;
int input_error = 0;
sigset_t reported_signals;

void note_terminal_event(TerminalEvent event) {
    events_noted[event] = 1;
}

int read_key() {
    for (;;) {
        int code = read_one_key();
        if (code != IGNORED)
            return code;
    }
}

int read_byte() {
    int code;
    if (take_quietly(&code))
        return code;
    SignalHold hold;
    return next_code(hold);
}

void forget_unread_keys() {
    pushback_out = pushback_in;
    read_ahead_at = read_ahead_end = 0;
}

void discard_unread_keys() {
    forget_unread_keys();
    if (!isatty(STDIN_FILENO))
        return;
    const long long deadline = monotonic_ms() + MOST_DISCARD_MS;
    for (;;) {
        tcflush(STDIN_FILENO, TCIFLUSH);
        long long left = deadline - monotonic_ms();
        if (left <= 0)
            return;
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        int ready = poll(&input, 1, static_cast<int>(std::min<long long>(left, PASTE_PAUSE_MS)));
        // A signal cuts the wait short without ending the paste; a hang-up
        // or an error does.
        bool arrived = ready > 0 && (input.revents & POLLIN);
        if (!arrived && !(ready < 0 && errno == EINTR))
            return;
    }
}

int read_byte_timeout(char* dest, int timeout_ms) {
    SignalHold hold;
    return wait_and_read(dest, timeout_ms, hold.caller_mask);
}

void on_interrupt(int signal_number) {
    if (interrupt_signal == 0)
        interrupt_signal = signal_number;
    interrupts_pending = interrupts_pending + 1;
}
