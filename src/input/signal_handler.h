// Installing persistent signal handlers.
#pragma once

#include <initializer_list>

// Installs handler for signal_number, staying installed after it runs and
// holding back the given signals (and its own) while it runs. A write that
// the signal interrupts is resumed; the key reader's wait still ends early.
void install_signal_handler(int signal_number, void (*handler)(int),
                            std::initializer_list<int> held_back = {});
