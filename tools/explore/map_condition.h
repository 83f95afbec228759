// Finds the simplest condition on the flags and the holes count that holds
// in every one of some situations and in none of others.
#pragma once

#include "story/story.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

using FactsCode = std::uint32_t;

constexpr int FLAG_COUNT = sizeof(StoryFlags);
constexpr int HOLES_SHIFT = 16;

FactsCode facts_code(const StoryFlags& flags, int holes);
std::uint32_t flag_bits(FactsCode code);

// The flags' names in StoryFlags' order.
extern const char* const FLAG_NAMES[FLAG_COUNT];

// Names the flags set in bits: "has_key, has_hammer".
std::string flag_list(std::uint32_t bits);

// A conjunction of at most two tests, each a flag being 1 or 0 or the holes
// count being at least or at most a number, written as "has_key" or
// "!has_key && holes <= 5"; nothing when no such condition tells `when`
// from `otherwise`. A test on the flags is preferred to one on the count.
std::optional<std::string> condition_between(const std::set<FactsCode>& when,
                                             const std::set<FactsCode>& otherwise);
