#include "session/signal_handler.h"

#include <csignal>

void install_signal_handler(int signal_number, void (*handler)(int),
                            std::initializer_list<int> held_back) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int other : held_back)
        sigaddset(&action.sa_mask, other);
    action.sa_flags = 0; // no SA_RESTART: the key reader's wait must end
    sigaction(signal_number, &action, nullptr);
}
