#include "support/model_runs.h"

#include "fuzz_check.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// Leaves the model's run for the test, which names the run.
[[noreturn]] void throw_broken(const char* file, int line, const char* condition) {
    throw std::runtime_error(std::string(file) + ":" + std::to_string(line) +
                             ": property broken: " + condition);
}

} // namespace

void expect_model_holds(ModelRun run, unsigned runs, const ModelInput& input) {
    fuzz_report = throw_broken;
    for (unsigned number = 1; number <= runs; number++) {
        std::mt19937 random(number);
        std::vector<std::uint8_t> bytes = input(number, random);
        try {
            run(bytes.data(), bytes.size());
        } catch (const std::runtime_error& broken) {
            ADD_FAILURE() << "run " << number << ": " << broken.what();
            break;
        }
    }
    fuzz_report = nullptr;
}

ModelInput random_bytes(std::size_t length, unsigned below) {
    return [length, below](unsigned, std::mt19937& random) {
        std::vector<std::uint8_t> bytes(length);
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random() % 64 == 0 ? 254 + random() % 2
                                                                : random() % below);
        return bytes;
    };
}
