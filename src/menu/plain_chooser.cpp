#include "menu/plain_chooser.h"

#include "input/key_decoder.h"
#include "input/key_reader.h"
#include "menu/chooser.h"
#include "menu/menu_tree.h"
#include "menu/turn_store.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/terminal.h"
#include "term/window_size.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

// The options listed last, which the player's answer names by number.
static MenuListing listed;

// Bytes of an answer that are kept; a longer one is wrong in any case.
constexpr int ANSWER_SIZE = 8;
// What read_answer returns besides a length.
constexpr int ANSWERS_ENDED = -1;
constexpr int ANSWER_TOO_LONG = -2;

// Writes text behind prefix, wrapped as the full chooser wraps its labels,
// further lines indented under the text's first character.
static void write_wrapped(const char* prefix, const char* text) {
    int indent = text_columns(prefix);
    term_put_text(prefix);
    for (;;) {
        TextLine line = text_line(text, term_window().columns - LABEL_MARGIN, true);
        put_n(text, line.bytes);
        term_putch('\n');
        text = line.next;
        if (*text == '\0')
            return;
        term_printf("%*s", indent, "");
    }
}

static void list_options() {
    for (int i = 0; i < listed.count; i++) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%2d: ", i + 1);
        write_wrapped(prefix, listed.options[i].label);
    }
}

// The prompt stays on its line, where the player types; it must reach the
// screen before the wait, although no newline ends it.
static void prompt() {
    if (listed.count == 1)
        term_put_text("Välj 1, eller q för att sluta: ");
    else
        term_printf("Välj 1 till %d, eller q för att sluta: ", listed.count);
    terminal_flush();
}

static void say_what_to_answer() {
    if (listed.count == 1)
        term_put_text("Skriv 1, eller q.\n");
    else
        term_printf("Skriv en siffra från 1 till %d, eller q.\n", listed.count);
}

static bool is_blank(int byte) {
    return byte == ' ' || byte == '\t';
}

// An answer as the keys of its line come: the bytes kept, from the first
// that is not blank, and the blanks after them, kept only when more follows.
struct Answer {
    char text[ANSWER_SIZE];
    int length;
    int blanks;
    bool too_long;
};

static void answer_add(Answer& answer, char byte) {
    if (is_blank(byte)) {
        answer.blanks += answer.length > 0;
        return;
    }
    answer.too_long = answer.too_long || answer.length + answer.blanks >= ANSWER_SIZE;
    for (; !answer.too_long && answer.blanks > 0; answer.blanks--)
        answer.text[answer.length++] = ' ';
    if (!answer.too_long)
        answer.text[answer.length++] = byte;
}

// The bytes of a line not yet made into keys: a key sequence begun. The
// longest the decoder holds is a console F-key sequence with its strays.
struct LineKeys {
    char held[2 * MAX_SEQUENCE_BYTES + MAX_CONSOLE_FN_STRAY];
    size_t count;
    KeyDecoder decoder;
};

// Adds the plain bytes among the keys held to the answer. The terminal's
// line editing passes on the sequence of an arrow or a function key typed
// at the prompt, and the line is read as the full mode reads keys: such a
// key, Alt with a key and a lone Esc are no part of the answer. A line
// arrives whole, so its bytes came together.
static void take_keys(LineKeys& keys, Answer& answer, bool ended) {
    while (keys.count > 0) {
        KeyDecoded key = key_decoder_next(keys.decoder, {keys.held, keys.count});
        keys.count -= key.used;
        std::memmove(keys.held, keys.held + key.used, keys.count);
        if (key.key == KEY_MORE && !ended)
            return;
        if (key.key == KEY_MORE)
            key_decoder_end(keys.decoder);
        else if (key.key >= SCHAR_MIN && key.key <= SCHAR_MAX)
            answer_add(answer, static_cast<char>(key.key));
    }
}

// Whether the last answer ended with a carriage return: a terminal left
// without its translation of Enter (stty raw) sends one, and a script may
// send both, whose line feed ends no second answer.
static bool after_return;

// Reads one typed line into answer, without the blanks around it and
// without the keys that are not plain bytes: its length, ANSWER_TOO_LONG,
// or ANSWERS_ENDED at the end of input, on a read error or on an interrupt
// signal (an unfinished line is dropped then). A last line without its line
// feed counts.
static int read_answer(Answer& answer) {
    LineKeys keys{};
    bool begun = false;
    for (;;) {
        int code = read_byte();
        if (code == KEY_INTERRUPT || (code == KEY_INPUT_CLOSED && !begun))
            return ANSWERS_ENDED;
        bool line_feed_of_return = code == '\n' && after_return && !begun;
        after_return = code == '\r';
        if (line_feed_of_return)
            continue;
        if (code == KEY_INPUT_CLOSED || code == '\n' || code == '\r')
            break;
        // What is written from now on is laid out at the new size; what
        // stands on the screen stays as it was written.
        if (code == KEY_RESIZE)
            term_measure_window();
        if (code == KEY_RESIZE || code == KEY_SUSPEND || code == KEY_CONTINUE)
            continue;
        begun = true;
        keys.held[keys.count++] = static_cast<char>(code);
        take_keys(keys, answer, keys.count == sizeof keys.held);
    }
    take_keys(keys, answer, true);
    return answer.too_long ? ANSWER_TOO_LONG : answer.length;
}

// The index of the option that a typed number names, or -1.
static int option_named(const char* answer, int length) {
    int number = 0;
    for (int i = 0; i < length; i++) {
        if (answer[i] < '0' || answer[i] > '9')
            return -1;
        number = number * 10 + (answer[i] - '0');
    }
    return length > 0 && number >= 1 && number <= listed.count ? number - 1 : -1;
}

// From a terminal the line of an answer is ended by the terminal's echo of
// the Enter, or by the editor that sent the line with echo off (an Emacs
// shell buffer); from a pipe or a file nothing ends it but the game.
static bool answers_from_a_terminal() {
    return isatty(STDIN_FILENO);
}

StateId plain_choose() {
    listed = menu_listing(&menu_tree);
    if (listed.count == 0)
        return STATE_QUIT;
    term_put_text(BEFORE_LIST);
    list_options();
    for (;;) {
        prompt();
        // Nobody sees the questions any more: end the game rather than go on
        // blind.
        if (terminal_write_error() != 0)
            return STATE_QUIT;
        Answer answer{};
        int length = read_answer(answer);
        // Nothing echoes the end of input, nor the quit key (Ctrl-\, whose
        // status 131 the shell takes for an ordinary one); after the other
        // interrupts the shell begins a line of its own.
        bool ended = length == ANSWERS_ENDED;
        if (ended ? terminal_ending_signal() == 0 || terminal_ending_signal() == SIGQUIT
                  : !answers_from_a_terminal())
            term_putch('\n');
        if (ended || (length == 1 && (answer.text[0] == 'q' || answer.text[0] == 'Q')))
            return STATE_QUIT;
        if (length == 0) {
            term_putch('\n');
            list_options();
            continue;
        }
        int chosen = option_named(answer.text, length);
        if (chosen < 0) {
            say_what_to_answer();
            continue;
        }
        // A transcript, a braille display or a pipe shows what was chosen,
        // on a line that no shell buffer takes for a prompt: the plain mode
        // writes none of # $ % >, which an editor's prompt pattern matches.
        write_wrapped("Du valde: ", listed.options[chosen].label);
        paragraph_at_column(0);
        return menu_select(&menu_tree, listed.options[chosen].node);
    }
}
