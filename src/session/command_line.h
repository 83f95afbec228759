// The command line and the environment: what the program is asked to do,
// and how it writes to the terminal.
#pragma once

#include "term/ansi.h"

enum class CommandAction { PLAY, HELP, VERSION, USAGE_ERROR };

struct CommandLine {
    CommandAction action;
    bool plain;              // -p or --plain
    const char* wrong;       // the offending argument of a USAGE_ERROR
    bool wrong_is_an_option; // it began with '-'
};

// Reads the arguments after the program's name. Each option stands alone
// (-p, --plain, -h, --help, -V, --version); "--" ends the options. Any other
// option or argument is a USAGE_ERROR, whatever else was given; help comes
// before the version.
CommandLine command_line_parse(int argc, const char* const* argv);

// The style the game writes in: plain when asked for or when TERM is
// "dumb"; without colour when NO_COLOR is set and not empty.
TermStyle command_line_style(bool plain, const char* term, const char* no_color);

// The whole program: answers --help, --version and a wrong argument without
// touching the terminal, or plays the game. Returns the exit status.
int command_line_run(int argc, char** argv);
