#include "session/command_line.h"

#include "session/messages.h"
#include "session/session.h"
#include "term/terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The help, in the player's language: the translators see it as one text.
static const char* usage_text() {
    return _("Usage: vakna [OPTION]\n"
             "A menu-driven text adventure in Swedish for the terminal.\n"
             "\n"
             "  -p, --plain    plain text for screen readers and simple terminals: no\n"
             "                 colours or cursor moves; answer with a number and Enter\n"
             "  -h, --help     show this help and exit\n"
             "  -V, --version  show the version and exit\n"
             "\n"
             "Both modes work with a screen reader or braille display: the cursor rests\n"
             "on the lit option in the full mode, and the plain mode writes only forward.\n"
             "\n"
             "TERM=dumb plays as --plain does; NO_COLOR=1 leaves out the colours and\n"
             "keeps the terminal's own, as on a light theme.\n"
             "\n"
             "Keys: Up or b, Down or n move the highlight, round the list from either\n"
             "end; Enter, Right or an option's digit chooses; Left does nothing;\n"
             "q or Esc quits; Ctrl-Z suspends the game.\n"
             "\n"
             "The manual: man vakna once installed, man ./docs/vakna.6 in the source.\n");
}

static bool is_one_of(const char* argument, const char* short_form, const char* long_form) {
    return std::strcmp(argument, short_form) == 0 || std::strcmp(argument, long_form) == 0;
}

CommandLine command_line_parse(int argc, const char* const* argv) {
    CommandLine line{CommandAction::PLAY, false, nullptr, false};
    bool help = false, version = false, options_ended = false;
    for (int i = 1; i < argc; i++) {
        const char* argument = argv[i];
        bool option = !options_ended && argument[0] == '-' && argument[1] != '\0';
        if (option && std::strcmp(argument, "--") == 0)
            options_ended = true;
        else if (option && is_one_of(argument, "-p", "--plain"))
            line.plain = true;
        else if (option && is_one_of(argument, "-h", "--help"))
            help = true;
        else if (option && is_one_of(argument, "-V", "--version"))
            version = true;
        else
            return {CommandAction::USAGE_ERROR, line.plain, argument, option};
    }
    if (help)
        line.action = CommandAction::HELP;
    else if (version)
        line.action = CommandAction::VERSION;
    return line;
}

TermStyle command_line_style(bool plain, const char* term, const char* no_color) {
    if (plain || (term != nullptr && std::strcmp(term, "dumb") == 0))
        return STYLE_PLAIN;
    return no_color != nullptr && no_color[0] != '\0' ? STYLE_MONOCHROME : STYLE_COLOR;
}

// How much of a wrong argument its message repeats, in the characters the
// message shows; "..." follows when there was more.
constexpr int SHOWN_CHARACTERS = 60;
constexpr int UTF8_MAX_BYTES = 4;
constexpr int SHOWN_SIZE = SHOWN_CHARACTERS * UTF8_MAX_BYTES + sizeof "...";

// The marks and embeddings that set the direction of the text around them
// (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069): shown as they are,
// they would turn the rest of the message around.
static bool is_direction_control(const unsigned char* character, int length) {
    if (length != 3)
        return false;
    unsigned code =
        (character[0] & 0x0fu) << 12 | (character[1] & 0x3fu) << 6 | (character[2] & 0x3fu);
    return code == 0x200e || code == 0x200f || (code >= 0x202a && code <= 0x202e) ||
           (code >= 0x2066 && code <= 0x2069);
}

// The length of the printable UTF-8 character that text begins with, or 0
// when its first byte must be shown as an escape: a control (C0, DEL, C1
// also when encoded as a character, or one that sets the direction of the
// text), a byte that begins no well-formed character, or the backslash that
// the escapes begin with.
static int printable_length(const unsigned char* text) {
    unsigned char lead = text[0];
    if (lead < 0x80)
        return lead >= 0x20 && lead < 0x7f && lead != '\\' ? 1 : 0;
    int length = lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    // The second byte's range rules out the C1 controls, overlong forms,
    // surrogates and anything past U+10FFFF.
    unsigned char low = lead == 0xc2 ? 0xa0 : lead == 0xe0 ? 0xa0 : lead == 0xf0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xed ? 0x9f : lead == 0xf4 ? 0x8f : 0xbf;
    if (lead < 0xc2 || lead > 0xf4 || text[1] < low || text[1] > high)
        return 0;
    // Stops at the terminating zero, which is no continuation byte.
    for (int i = 2; i < length; i++)
        if ((text[i] & 0xc0) != 0x80)
            return 0;
    return is_direction_control(text, length) ? 0 : length;
}

// The argument as a message may repeat it without the terminal acting on
// any of it: bytes that are not printable text as \xHH, a backslash as \\.
static void show_argument(const char* argument, char (&shown)[SHOWN_SIZE]) {
    const auto* text = reinterpret_cast<const unsigned char*>(argument);
    char* end = shown;
    int characters = 0;
    while (*text != '\0') {
        int length = printable_length(text);
        int width = length > 0 ? 1 : *text == '\\' ? 2 : 4;
        if (characters + width > SHOWN_CHARACTERS) {
            end += std::sprintf(end, "...");
            break;
        }
        characters += width;
        if (length > 0)
            end = std::copy_n(text, length, end);
        else
            end += *text == '\\' ? std::sprintf(end, "\\\\") : std::sprintf(end, "\\x%02x", *text);
        text += std::max(length, 1);
    }
    *end = '\0';
}

static int usage_error(const CommandLine& line) {
    char shown[SHOWN_SIZE];
    show_argument(line.wrong, shown);
    std::fprintf(stderr,
                 line.wrong_is_an_option ? _("vakna: unrecognized option '%s'\n")
                                         : _("vakna: unexpected argument '%s'\n"),
                 shown);
    std::fputs(_("Try 'vakna --help'.\n"), stderr);
    return USAGE_ERROR;
}

static int version() {
    char line[64];
    std::snprintf(line, sizeof line, _("vakna %s\n"), VAKNA_VERSION);
    return session_answer(line);
}

int command_line_run(int argc, char** argv) {
    CommandLine line = command_line_parse(argc, argv);
    switch (line.action) {
    case CommandAction::HELP:
        return session_answer(usage_text());
    case CommandAction::VERSION:
        return version();
    case CommandAction::USAGE_ERROR:
        return usage_error(line);
    case CommandAction::PLAY:
        break;
    }
    TermStyle style = command_line_style(line.plain, std::getenv("TERM"), std::getenv("NO_COLOR"));
    // Another session's terminal keeps its settings: the plain game changes
    // none.
    if (style != STYLE_PLAIN && !terminal_is_own()) {
        std::fputs(_("vakna: the terminal is not this game's own, so it plays in the plain mode\n"),
                   stderr);
        style = STYLE_PLAIN;
    }
    return run_game(style);
}
