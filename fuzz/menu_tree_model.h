// The menu tree against a small model of options, actions, cursors and loop
// points: arbitrary sequences of adds, selections, keeps, listings, moves to
// the top and clears, taken from the input's bytes, run on the global tree
// and on the model. After every step the whole tree, links included, must
// match the model. Each run ends with a clear, so a leak checker sees every
// node and action released. The fuzz target and the menu's tests run it.
#pragma once

#include <cstddef>
#include <cstdint>

// A broken property goes to fuzz_fail (fuzz_check.h).
void menu_tree_run(const std::uint8_t* bytes, std::size_t size);
