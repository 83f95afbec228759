#include "support/model_runs.h"

#include "fuzz_check.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Leaves the model's run for the test, which names the seed.
[[noreturn]] void throw_broken(const char* file, int line, const char* condition) {
    throw std::runtime_error(std::string(file) + ":" + std::to_string(line) +
                             ": property broken: " + condition);
}

} // namespace

void expect_model_holds(ModelRun run, unsigned runs, std::size_t length, unsigned below) {
    fuzz_report = throw_broken;
    for (unsigned seed = 1; seed <= runs; seed++) {
        std::mt19937 random(seed);
        std::vector<std::uint8_t> bytes(length);
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random() % 64 == 0 ? 254 + random() % 2
                                                                : random() % below);
        try {
            run(bytes.data(), bytes.size());
        } catch (const std::runtime_error& broken) {
            ADD_FAILURE() << "seed " << seed << ": " << broken.what();
            break;
        }
    }
    fuzz_report = nullptr;
}
