// vakna: a menu-driven text adventure for the terminal.
#include "session/command_line.h"

#include <cstdlib>

int main(int argc, char** argv) {
    return command_line_run(argc, argv);
}

// run_game catches every exception, so the terminate handler can only run
// after a fault in the library itself. The library's default handler prints
// the exception's type and brings its whole name demangler into the static
// game for it, a twentieth of the game's size and so of its memory.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
