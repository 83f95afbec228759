// Story state numbers: what the menu's options carry and the chooser
// returns. The menu engine only passes them on; the story gives them their
// meaning.
#pragma once

#include <cstdint>

// A story state: a number of the catalogue's table. Options carry lists of
// them.
using StateId = std::int32_t;

constexpr StateId STATE_START = 1; // begins a new game
constexpr StateId STATE_QUIT = 2;  // what a quit key yields; the story returns
