#include "session/command_line.h"

#include "session/session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* const USAGE_TEXT =
    "Usage: vakna [OPTION]\n"
    "A menu-driven text adventure in Swedish for the terminal.\n"
    "\n"
    "  -p, --plain    plain text for screen readers and simple terminals: no\n"
    "                 colours or cursor moves; answer with a number and Enter\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "TERM=dumb plays as --plain does; NO_COLOR=1 leaves out the colours.\n"
    "Keys: arrows, b or n move, Enter or a digit chooses, q or Esc quits.\n"
    "The manual: man vakna\n";

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

// Help and version go to standard output, which may be a file or a pipe
// that fails; a shell must not take that for success.
static int write_answer(const char* text) {
    errno = 0;
    std::fputs(text, stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    std::fprintf(stderr, "vakna: cannot write standard output: %s\n",
                 std::strerror(errno != 0 ? errno : EIO));
    return CANNOT_WRITE;
}

static int usage_error(const CommandLine& line) {
    std::fprintf(stderr, "vakna: %s '%s'\nTry 'vakna --help'.\n",
                 line.wrong_is_an_option ? "unrecognized option" : "unexpected argument",
                 line.wrong);
    return USAGE_ERROR;
}

int command_line_run(int argc, char** argv) {
    CommandLine line = command_line_parse(argc, argv);
    switch (line.action) {
    case CommandAction::HELP:
        return write_answer(USAGE_TEXT);
    case CommandAction::VERSION:
        return write_answer("vakna " VAKNA_VERSION "\n");
    case CommandAction::USAGE_ERROR:
        return usage_error(line);
    case CommandAction::PLAY:
        break;
    }
    return run_game(command_line_style(line.plain, std::getenv("TERM"), std::getenv("NO_COLOR")));
}
