// The key reader holds what it has read of standard input and not yet used
// in one buffer, in one record with the decoder's state (key_reader.h says
// what it owns). A key's road: next_code waits for input in the terminal's
// one wait and reads all that is waiting, decode_key hands the bytes to the
// decoder, waiting the time the decoder allows whenever it needs more, and
// the bytes the key took are gone.
#include "input/key_reader.h"

#include "input/key_decoder.h"
#include "term/terminal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
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

// A read takes all that is waiting, up to this, so a paste or a script
// costs a read a buffer, not a read a byte.
constexpr int HELD_SIZE = 4096;

// The reader's whole state.
struct KeyReader {
    // The bytes read and not yet used, held[start] to held[end - 1].
    char held[HELD_SIZE];
    int start = 0;
    int end = 0;
    // What the decoder knows of the key the bytes held begin with. The
    // bytes it has looked at (the byte after a lone Esc, the ESC that broke
    // a sequence) have begun the next key, and an interrupt waits until it
    // has been read; bytes that no key has begun with come after it.
    KeyDecoder decoder;
    int input_error = 0;
    bool hung_up = false;
    // When bytes last came, and whether they were still coming when the
    // first interrupt was answered: a paste, whose rest the end drops.
    long long last_read_ms = LLONG_MIN / 2;
    bool interrupted = false;
    bool cut_unmarked_paste = false;
};

KeyReader reader;

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

// Waits until standard input has a byte, or a handler noted something (-1,
// errno EINTR): the terminal's one wait.
int wait_for_input(int timeout_ms) {
    int ready = terminal_wait(STDIN_FILENO, POLLIN, timeout_ms);
    if (ready > 0 && input_discarded()) {
        errno = EINTR;
        return -1;
    }
    return ready;
}

// Milliseconds on a clock that no one sets.
long long monotonic_ms() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
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
    if (got > 0)
        reader.last_read_ms = monotonic_ms();
    if (got < 0 && errno == EAGAIN)
        errno = EINTR;
    return static_cast<int>(got);
}

void use(int count) {
    reader.start += count;
    if (reader.start == reader.end)
        reader.start = reader.end = 0;
}

// What a wait for more bytes of a key begun ended with.
enum Came { CAME_MORE, CAME_NOTHING, CAME_NOTE };

// Waits up to timeout_ms (negative: without limit) for more bytes of a key
// begun, and reads them. A stop, a continue or a new size noted meanwhile
// ends the wait (CAME_NOTE): the reader answers it first, and the decoder,
// which keeps its place, goes on afterwards, so neither an arrow pressed
// during a resize nor a paste is lost. An interrupt ends it, and so do the
// end of input and an error, which the next wait for a key meets again.
Came more_came(int timeout_ms) {
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        int left = timeout_ms < 0 ? -1 : static_cast<int>(std::max(0LL, deadline - monotonic_ms()));
        int got = wait_for_input(left);
        if (got > 0)
            got = read_more();
        if (got > 0)
            return CAME_MORE;
        if (got == 0 || errno != EINTR || terminal_interrupt_waiting())
            return CAME_NOTHING;
        if (terminal_note_waiting())
            return CAME_NOTE;
    }
}

// The decoder's answer for the key that the bytes held begin with. When it
// has looked at all of them, the reader looks for bytes sent with them, and
// then waits the time the decoder allows. Bytes that come after that pause
// did not come together with the key's first. KEY_NONE leaves the decoder
// where it is for a note or an interrupt to be answered first: inside a
// paste, a string or a long sequence an interrupt does not end it, so that
// the end of the game can drop its rest.
int decode_key() {
    for (;;) {
        KeyDecoded answer =
            key_decoder_next(reader.decoder, {reader.held + reader.start, size_t(held_count())});
        use(static_cast<int>(answer.used));
        if (answer.key != KEY_MORE)
            return answer.key;
        Came came = more_came(0);
        if (came == CAME_NOTHING && answer.wait_ms != 0 && !terminal_interrupt_waiting()) {
            key_decoder_pause(reader.decoder);
            came = more_came(answer.wait_ms);
        }
        bool unlimited = reader.decoder.within != WITHIN_NOTHING;
        if (came == CAME_NOTE || (unlimited && terminal_interrupt_waiting()))
            return KEY_NONE;
        if (came == CAME_NOTHING)
            key_decoder_end(reader.decoder);
    }
}

// Answers an interrupt. In the terminal's line mode (the plain style, which
// asks for no paste marks), lines that came just before the first are a
// paste whose rest comes on after it; in the keyboard mode a paste is
// marked, and unmarked bytes are keys.
void note_interrupt_answered() {
    if (!reader.interrupted)
        reader.cut_unmarked_paste =
            monotonic_ms() - reader.last_read_ms < PASTE_PAUSE_MS && !terminal_keyboard_taken();
    reader.interrupted = true;
    terminal_answer_interrupt();
}

// The key for a noted stop, continue or resize, 0 for none.
int take_terminal_note() {
    switch (terminal_take_note()) {
    case NOTE_STOP:
        return KEY_SUSPEND;
    case NOTE_CONTINUE:
        return KEY_CONTINUE;
    case NOTE_RESIZE:
        return KEY_RESIZE;
    case NOTE_NONE:
        break;
    }
    return 0;
}

// The end of input from a terminal is a hang-up (its other side has
// closed) when the terminal says so: it then fails every control call with
// EIO, where anything that is not a terminal says ENOTTY.
bool hang_up_seen() {
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLHUP) && !isatty(STDIN_FILENO) &&
           errno == EIO;
}

// A read that failed, or an end of input that came with a hang-up, for the
// exit status. A read from a terminal whose foreground belongs to another
// job fails with EIO too where no stop can come (an orphaned group): that
// is a read error, not a hang-up.
void note_input_ended(int got) {
    if (got < 0) {
        reader.input_error = errno;
        reader.hung_up = errno == EIO && terminal_in_foreground();
    } else if (hang_up_seen()) {
        reader.input_error = EIO;
        reader.hung_up = true;
    }
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
        if (int note = take_terminal_note())
            return note;
        bool between_keys = reader.decoder.looked == 0 || reader.decoder.within != WITHIN_NOTHING;
        if (between_keys && terminal_interrupt_waiting()) {
            note_interrupt_answered();
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
        note_input_ended(got);
        return KEY_INPUT_CLOSED;
    }
}

// From a file on standard input the offset goes back over the bytes held,
// so that the next program reads on from there, as after head; a pipe or
// a terminal cannot take them back.
void give_back_to_file() {
    struct stat input;
    off_t unused = held_count();
    if (unused > 0 && fstat(STDIN_FILENO, &input) == 0 && S_ISREG(input.st_mode))
        lseek(STDIN_FILENO, -unused, SEEK_CUR);
}

// Waits up to timeout_ms for input, through signals: true when bytes wait.
// A hang-up or an error, which a hung-up terminal reports beside its
// input, ends the wait, and a hang-up is kept for the exit status.
bool input_within(int timeout_ms) {
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        int ready = poll(&input, 1, static_cast<int>(std::max(0LL, deadline - monotonic_ms())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && input.revents != POLLIN && reader.input_error == 0)
            note_input_ended(0);
        return ready > 0 && input.revents == POLLIN;
    }
}

// A paste or a terminal's string that an interrupt cut short is still
// arriving: its bytes go to the decoder, which drops them, up to its end
// marker, or until the input has been quiet for CUT_PASTE_PAUSE_MS.
void drop_rest_of_paste() {
    for (;;) {
        KeyWithin within = reader.decoder.within;
        if (within != WITHIN_PASTE && within != WITHIN_STRING)
            return;
        KeyDecoded answer =
            key_decoder_next(reader.decoder, {reader.held + reader.start, size_t(held_count())});
        use(static_cast<int>(answer.used));
        if (answer.key == KEY_MORE && (!input_within(CUT_PASTE_PAUSE_MS) || read_more() <= 0))
            return;
    }
}

// Throws away what the terminal holds and what comes until the input has
// been quiet for pause_ms, and most_ms at most (negative: no limit).
void flush_until_quiet(int pause_ms, int most_ms) {
    const long long deadline = monotonic_ms() + most_ms;
    for (;;) {
        long long left = most_ms < 0 ? pause_ms : deadline - monotonic_ms();
        if (tcflush(STDIN_FILENO, TCIFLUSH) != 0 || left <= 0)
            return;
        if (!input_within(static_cast<int>(std::min<long long>(left, pause_ms))))
            return;
    }
}

} // namespace

int input_error() {
    return reader.input_error;
}

int input_unreadable() {
    struct stat input;
    int flags = fcntl(STDIN_FILENO, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_WRONLY)
        return EBADF;
    return fstat(STDIN_FILENO, &input) == 0 && S_ISDIR(input.st_mode) ? EISDIR : 0;
}

bool input_hung_up() {
    return reader.hung_up;
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
    reader.start = reader.end = 0;
    reader.decoder = KeyDecoder{};
}

void finish_input() {
    give_back_to_file();
    if (isatty(STDIN_FILENO) && terminal_in_foreground()) {
        bool cut = reader.cut_unmarked_paste;
        drop_rest_of_paste();
        forget_unread_keys();
        flush_until_quiet(cut ? CUT_PASTE_PAUSE_MS : PASTE_PAUSE_MS, cut ? -1 : MOST_DISCARD_MS);
    }
    forget_unread_keys();
}
