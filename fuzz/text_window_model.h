// The text window against a small model: arbitrary operation sequences,
// through the window's table and its string writers, on a screen whose size
// the input chooses and changes (none, negative, one cell, wide). The
// screen checks every cell written and every scroll; after each step the
// cursor must be inside the screen, the attribute and the cursor must match
// the model, and the text writers must put every byte of their text that is
// neither a space nor a control they interpret into cells, in order. The
// fuzz target and the window's tests run it.
#pragma once

#include <cstddef>
#include <cstdint>

// A broken property goes to fuzz_fail (fuzz_check.h).
void text_window_run(const std::uint8_t* bytes, std::size_t size);
