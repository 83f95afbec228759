#include "input/signal_handler.h"

#include <csignal>

void install_signal_handler(int signal_number, void (*handler)(int),
                            std::initializer_list<int> held_back) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int other : held_back)
        sigaddset(&action.sa_mask, other);
    // A write to the terminal that the signal cuts short goes on afterwards,
    // so a resize or a suspension while the terminal is slow to take the
    // output loses none of it. The key reader's wait (pselect) is never
    // resumed, whatever the flag, so the signal still ends it.
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
}
