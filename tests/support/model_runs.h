// The fuzz targets' models run by the tests on random inputs, so that the
// properties they check hold in every build with GoogleTest too.
#pragma once

#include <cstddef>
#include <cstdint>

using ModelRun = void (*)(const std::uint8_t* bytes, std::size_t size);

// Runs `runs` inputs of `length` random bytes, seeded 1 to runs: bytes
// below `below`, and now and then 254 or 255, the extremes the models take
// them for. The first broken property fails the test, with its seed.
void expect_model_holds(ModelRun run, unsigned runs, std::size_t length, unsigned below = 256);
