#include "map_condition.h"

#include <functional>
#include <vector>

const char* const FLAG_NAMES[FLAG_COUNT] = {
    "boat_built", "rope_dropped", "rope_pulled_up", "at_floor_4",    "at_floor_3",
    "at_floor_2", "at_floor_1",   "has_handle",     "mussel_fitted", "has_key",
    "has_hammer", "has_mussel",   "has_ice_drill",  "drowned"};

// The holes count never goes past 10: at 7 or fewer the player may drill
// three more, and at 8 or more the ice breaks.
constexpr int MOST_HOLES = 10;

FactsCode facts_code(const StoryFlags& flags, int holes) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&flags);
    FactsCode code = static_cast<FactsCode>(holes) << HOLES_SHIFT;
    for (int i = 0; i < FLAG_COUNT; i++)
        code |= static_cast<FactsCode>(bytes[i] != 0) << i;
    return code;
}

std::uint32_t flag_bits(FactsCode code) {
    return code & ((1u << FLAG_COUNT) - 1);
}

std::string flag_list(std::uint32_t bits) {
    std::string names;
    for (int i = 0; i < FLAG_COUNT; i++) {
        if (bits & (1u << i))
            names.append(names.empty() ? "" : ", ").append(FLAG_NAMES[i]);
    }
    return names;
}

namespace {

struct Test {
    std::string text;
    std::function<bool(FactsCode)> holds;
};

std::vector<Test> all_tests() {
    std::vector<Test> tests;
    for (int i = 0; i < FLAG_COUNT; i++) {
        tests.push_back({FLAG_NAMES[i], [i](FactsCode c) { return (c >> i) & 1; }});
        tests.push_back(
            {std::string("!").append(FLAG_NAMES[i]), [i](FactsCode c) { return !((c >> i) & 1); }});
    }
    for (int n = 0; n <= MOST_HOLES; n++) {
        tests.push_back({"holes >= " + std::to_string(n),
                         [n](FactsCode c) { return static_cast<int>(c >> HOLES_SHIFT) >= n; }});
        tests.push_back({"holes <= " + std::to_string(n),
                         [n](FactsCode c) { return static_cast<int>(c >> HOLES_SHIFT) <= n; }});
    }
    return tests;
}

bool tells_apart(const std::function<bool(FactsCode)>& holds, const std::set<FactsCode>& when,
                 const std::set<FactsCode>& otherwise) {
    for (FactsCode c : when) {
        if (!holds(c))
            return false;
    }
    for (FactsCode c : otherwise) {
        if (holds(c))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::string> condition_between(const std::set<FactsCode>& when,
                                             const std::set<FactsCode>& otherwise) {
    static const std::vector<Test> tests = all_tests();
    for (const Test& test : tests) {
        if (tells_apart(test.holds, when, otherwise))
            return test.text;
    }
    for (size_t a = 0; a < tests.size(); a++) {
        for (size_t b = a + 1; b < tests.size(); b++) {
            auto both = [&](FactsCode c) { return tests[a].holds(c) && tests[b].holds(c); };
            if (tells_apart(both, when, otherwise))
                return tests[a].text + " && " + tests[b].text;
        }
    }
    return std::nullopt;
}
