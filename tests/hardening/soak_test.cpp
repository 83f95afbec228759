// A long game of random keys through a pseudo-terminal, going on after every
// death and finale: the game answers every key, its memory stays flat, and
// the terminal is left as it was found. VAKNA_SOAK_KEYS sets the number of
// keys (make soak runs 100,000).
#include "hardening/hardening.h"
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr long DEFAULT_SOAK_KEYS = 10000;
// Every this many games, one follows the road to the finale, which random
// keys seldom find.
constexpr int FINALE_EVERY = 8;
// Allowed growth of the peak resident memory between the first tenth of the
// run and its end: a few pages of stack and stdio, far below what a node
// kept per scene would add over thousands of scenes.
constexpr long PEAK_GROWTH_KIB = 64;

long soak_keys() {
    const char* keys = std::getenv("VAKNA_SOAK_KEYS");
    return keys ? std::atol(keys) : DEFAULT_SOAK_KEYS;
}

struct MemorySample {
    long keys;
    long peak_kib;     // VmHWM
    long resident_kib; // VmRSS
};

struct Soak : RandomPlayer {
    std::vector<MemorySample> samples;

    Soak() : RandomPlayer(20240605) { start(); }

    void press_random_key() {
        game->forget();
        std::string key = random_key(rng);
        EXPECT_TRUE(press(key)) << "no answer to key " << keys << " (" << escaped(key) << ")";
        go_on_after(game->read_for(0));
    }

    void go_on_after(const std::string& written) {
        int before = games;
        if (!go_on(written))
            return;
        EXPECT_FALSE(ended) << "no answer to a new game after key " << keys;
        if (before % FINALE_EVERY == FINALE_EVERY - 1) {
            for (const std::string& label : ROAD_TO_THE_FINALE)
                EXPECT_TRUE(choose(label)) << "no answer to " << label;
        }
        go_on_after(game->read_for(0));
    }

    void sample_memory() {
        samples.push_back(
            {keys, proc_status_kib(game->pid(), "VmHWM:"), proc_status_kib(game->pid(), "VmRSS:")});
    }

    // The first sample taken after a tenth of the run, when the game has
    // been through its scenes a few times.
    const MemorySample& early() const {
        for (const MemorySample& sample : samples)
            if (sample.keys * 10 >= samples.back().keys)
                return sample;
        return samples.back();
    }
};

TEST(Soak, RandomKeysNeverCrashOrHangTheGameAndItsMemoryStaysFlat) {
    const long total = soak_keys();
    const long sample_every = std::max(1L, total / 20);
    Soak soak;
    soak.sample_memory();
    double start = now_ms();
    long next_sample = sample_every;
    while (soak.keys < total && !testing::Test::HasFailure()) {
        soak.press_random_key();
        if (soak.keys >= next_sample) {
            soak.sample_memory();
            next_sample += sample_every;
        }
    }
    double seconds = (now_ms() - start) / 1000;
    ASSERT_FALSE(testing::Test::HasFailure());
    soak.sample_memory();
    const MemorySample& early = soak.early();
    const MemorySample& late = soak.samples.back();
    std::printf("soak: %ld keys in %.1f s, %d games, %d deaths, %d finales; "
                "VmHWM %ld kB at key %ld, %ld kB at key %ld; VmRSS %ld kB, %ld kB\n",
                soak.keys, seconds, soak.games, soak.deaths, soak.finales, early.peak_kib,
                early.keys, late.peak_kib, late.keys, early.resident_kib, late.resident_kib);
    EXPECT_GT(soak.deaths, 0);
    EXPECT_GT(soak.finales, 0);
    if (!SANITIZED_BUILD) {
        EXPECT_LE(late.peak_kib, early.peak_kib + PEAK_GROWTH_KIB);
        EXPECT_LE(late.resident_kib, early.resident_kib + PEAK_GROWTH_KIB);
    }
    soak.game->send("q");
    expect_ended_in_order(*soak.game);
}

} // namespace
