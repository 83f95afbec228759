// Story state numbers, shared by the story and the menu engine.
#pragma once

#include <cstdint>

// A story state: a number of the catalogue's table (story/catalogue.h).
// Options carry lists of them.
using StateId = std::int32_t;

constexpr StateId STATE_START = 1; // begins a new game
constexpr StateId STATE_QUIT = 2;  // what a quit key yields; the story returns
