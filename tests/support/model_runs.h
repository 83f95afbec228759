// The fuzz targets' models run by the tests on random inputs, so that the
// properties they check hold in every build with GoogleTest too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

using ModelRun = void (*)(const std::uint8_t* bytes, std::size_t size);
using ModelInput = std::function<std::vector<std::uint8_t>(unsigned run, std::mt19937& random)>;

// Runs the model on `runs` inputs, the random numbers of each seeded by its
// number, 1 to runs. The first broken property fails the test, with the
// run's number.
void expect_model_holds(ModelRun run, unsigned runs, const ModelInput& input);

// Inputs of `length` random bytes: bytes below `below`, and now and then 254
// or 255, the extremes the models take them for.
ModelInput random_bytes(std::size_t length, unsigned below = 256);
