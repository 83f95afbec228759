// Standard input and output of the fuzzing process itself, put on a pipe
// and captured in memory so that the engine's own reads and writes of
// descriptors 0 and 1 can be fed and checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Puts the bytes on descriptor 0, followed by the end of input. The bytes
// must fit in a pipe's buffer (64 KiB on Linux).
void feed_stdin(const std::uint8_t* bytes, std::size_t size);

// From now on standard output is captured, from empty.
void start_capture();
// Everything written to standard output since the last call or the start.
std::string take_output();
