// The game as a program: the one choice between the full and the plain
// game, the story's run between taking the terminal and giving it back,
// and the exit status that tells how it ended. The terminal's life (its
// signals, a stop, a continue) is the terminal room's (term/terminal.h).
#include "session/session.h"

#include "input/key_reader.h"
#include "menu/plain_chooser.h"
#include "session/messages.h"
#include "story/story.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

// ---- How the game ended

// The exit status, after a message for what failed: what names the output
// in it. After a hang-up (SIGHUP, or the terminal itself: an end of input
// that came with one, or a write that failed with EIO in the foreground)
// there is no terminal to fault, and the game ends as SIGHUP ends it,
// quietly, whether the signal came before, comes after or never comes.
static int ending_status(const char* what) {
    int write_error = terminal_write_error();
    int noted = terminal_ending_signal();
    bool hung_up =
        noted == SIGHUP || input_hung_up() || (write_error == EIO && terminal_in_foreground());
    int ending_signal = noted != 0 ? noted : hung_up ? SIGHUP : 0;
    if (hung_up)
        write_error = 0;
    int read_error = hung_up ? 0 : input_error();
    // A reader that has gone is how a pipeline ends its writer (vakna | head):
    // nothing to report, and the end by the SIGPIPE that was held off, as
    // the pipeline's other programs have, unless it was ignored throughout.
    bool reader_gone = write_error == EPIPE && !terminal_ignored_at_start(SIGPIPE);
    if (write_error != 0 && !reader_gone)
        std::fprintf(stderr, _("vakna: cannot %s: %s\n"), _(what), messages_error(write_error));
    if (read_error != 0)
        std::fprintf(stderr, _("vakna: cannot read the keyboard: %s\n"),
                     messages_error(read_error));
    if (ending_signal != 0)
        return terminal_end_by(ending_signal);
    if (reader_gone && read_error == 0)
        return terminal_end_by(SIGPIPE);
    return write_error != 0 || read_error != 0 ? CANNOT_WRITE : 0;
}

// Help and version go to standard output, which may be a file or a pipe
// that fails: the same write, and the same statuses, as the game's screen.
int session_answer(const char* text) {
    // As in the game: past a file's size limit a write fails, and a reader
    // that has gone is told from the write, not by a signal that kills.
    terminal_writes_fail_quietly();
    term_put_text(text);
    terminal_flush();
    return ending_status(N_("write standard output"));
}

// ---- The game

// The one choice between the full and the plain game: how the screen is
// written, and which chooser answers (the full one unless a test set its
// own); the terminal room takes the keyboard and carries out a stop itself
// only in the full one.
static void choose_style(TermStyle style) {
    term_set_style(style);
    paragraph_set_style(style);
    if (style == STYLE_PLAIN)
        story_set_hooks({plain_choose, story_hooks().watch});
}

// The end in order: the screen given back, the input finished (the rest of
// a paste must not reach the shell as commands), then the settings. The
// terminal must never be left without echo, whatever went wrong.
static void give_terminal_back() {
    terminal_screen_off();
    finish_input();
    terminal_keyboard_off();
}

int run_game(TermStyle style) {
    // A standard input that cannot be read is found before anything is
    // drawn.
    if (int error = input_unreadable()) {
        std::fprintf(stderr, _("vakna: cannot read the keyboard: %s\n"), messages_error(error));
        return CANNOT_WRITE;
    }
    choose_style(style);
    // Out of the foreground of a terminal where no stop can come, drawing
    // would cover another job's lines, and its keys are not the game's.
    if (!terminal_take(style)) {
        std::fputs(_("vakna: cannot take the terminal: another job is in its foreground\n"),
                   stderr);
        return CANNOT_WRITE;
    }
    bool failed = false;
    try {
        run_story(STATE_START);
    } catch (...) {
        failed = true;
    }
    give_terminal_back();
    if (failed) {
        std::fputs(_("vakna: internal error\n"), stderr);
        return INTERNAL_ERROR;
    }
    return ending_status(N_("write the screen"));
}
