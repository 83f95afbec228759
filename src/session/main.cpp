// vakna: a menu-driven text adventure for the terminal.
#include "session/session.h"

#include <cstdlib>

int main() {
    return run_game();
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
