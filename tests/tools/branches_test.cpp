// Every condition in the scene catalogue, taken both ways somewhere in the
// explored story. Each row tells, from what the story did right after the
// state that holds the condition, which way it went: the options the scene
// then offered, what was said, or which state came next.
#include "explored_story.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>

namespace {

enum class Way { UNTESTED, TRUE_WAY, FALSE_WAY };

Way way(bool taken) {
    return taken ? Way::TRUE_WAY : Way::FALSE_WAY;
}
Way only_if(bool tested, bool taken) {
    return tested ? way(taken) : Way::UNTESTED;
}

// A state as performed within one transition, and what came after it.
struct After {
    const Trace& trace;
    size_t at;
    const Situation* menu; // the menu the transition ended at, if any

    const StoryFlags& flags() const { return trace.moments[at].flags; }
    bool offers(const char* label) const {
        return menu && std::any_of(menu->labels.begin(), menu->labels.end(),
                                   [&](const char* l) { return std::string(l) == label; });
    }
    bool says(const char* text) const {
        return trace.text.find(text, trace.moments[at].text_at) != std::string::npos;
    }
    bool next_is(StateId state) const {
        return at + 1 < trace.moments.size() && trace.moments[at + 1].state == state;
    }
    bool later(StateId state) const {
        return std::any_of(trace.moments.begin() + static_cast<long>(at) + 1, trace.moments.end(),
                           [&](const Moment& m) { return m.state == state; });
    }
};

constexpr StateId ANY_STATE = 0; // the dispatch, before every state

struct Branch {
    const char* condition; // as it stands in the catalogue
    const char* part;      // one operand of it, or "" for the whole
    StateId state;         // the state that tests it
    std::function<Way(const After&)> way;
};

const char* const ROPE = "Ett rep hänger ner genom ett hål i taket.";

Way refusal(const After& a) {
    return way(a.says("Hissen rör sig inte ur"));
}

// clang-format off
const std::vector<Branch> BRANCHES = {
    {"!has_ice_drill", "", 64, [](const After& a) { return way(a.offers("Ta isborren")); }},
    {"has_ice_drill", "", 58, [](const After& a) { return way(a.offers("Borra två hål")); }},
    {"drowned", "", 15, [](const After& a) { return way(a.later(48)); }},
    {"drowned", "", 14, [](const After& a) { return way(a.later(48)); }},
    {"counter_value(holes_text) <= 7", "", 23,
     [](const After& a) { return way(!a.says("Isen brister")); }},
    {"!has_mussel", "", 13, [](const After& a) { return way(a.offers("Ta musslan")); }},
    {"has_key", "", 88, [](const After& a) { return way(a.next_is(38)); }},
    {"has_mussel && !mussel_fitted", "", 86,
     [](const After& a) { return way(a.offers("Forma in musslan i fördjupningen")); }},
    {"has_mussel && !mussel_fitted", "has_mussel", 86,
     [](const After& a) { return way(a.flags().has_mussel); }},
    {"has_mussel && !mussel_fitted", "!mussel_fitted", 86,
     [](const After& a) { return only_if(a.flags().has_mussel, !a.flags().mussel_fitted); }},
    {"!mussel_fitted", "", 85, refusal},
    {"!mussel_fitted", "", 84, refusal},
    {"!mussel_fitted", "", 83, refusal},
    {"!mussel_fitted", "", 81, refusal},
    {"at_floor_1", "", 80, [](const After& a) { return way(a.next_is(45)); }},
    {"at_floor_2", "", 80, [](const After& a) { return only_if(!a.next_is(45), a.next_is(44)); }},
    {"at_floor_3", "", 80, [](const After& a) {
         return only_if(!a.next_is(45) && !a.next_is(44), a.next_is(43)); }},
    {"at_floor_4", "", 80, [](const After& a) {
         return only_if(!a.next_is(45) && !a.next_is(44) && !a.next_is(43), a.next_is(42)); }},
    {"rope_dropped", "", 56, [](const After& a) { return way(!a.says(ROPE)); }},
    {"!rope_pulled_up", "", 56,
     [](const After& a) { return only_if(a.says(ROPE), a.offers("Dra i repet")); }},
    {"!has_hammer", "", 56, [](const After& a) {
         return only_if(a.says(ROPE) && !a.offers("Dra i repet"), a.offers("Ta hammaren")); }},
    {"has_handle", "", 53,
     [](const After& a) { return way(a.says("Du tar hammaren och sätter den på skaftet.")); }},
    {"!rope_dropped", "", 52, [](const After& a) { return way(a.offers("Dra i rep-stjärten")); }},
    {"!has_hammer", "", 52, [](const After& a) {
         return only_if(!a.offers("Dra i rep-stjärten"),
                        a.says("Det sitter en hammare på repet.")); }},
    {"boat_built", "", 8, [](const After& a) { return way(a.offers("Segla över havet")); }},
    {"!has_handle", "", 76, [](const After& a) { return way(a.offers("Ta skaftet")); }},
    {"has_hammer", "", 74, [](const After& a) { return way(a.says("Du sätter hammaren på skaftet.")); }},
    {"has_hammer && has_handle", "", 3, [](const After& a) { return way(a.next_is(24)); }},
    {"has_hammer && has_handle", "has_hammer", 3,
     [](const After& a) { return way(a.flags().has_hammer); }},
    {"has_hammer && has_handle", "has_handle", 3,
     [](const After& a) { return only_if(a.flags().has_hammer, a.flags().has_handle); }},
    {"!has_key", "", 79, [](const After& a) { return way(a.offers("Ta nyckeln")); }},
    {"!catalogue_has_state(state)", "", ANY_STATE, [](const After& a) {
         return way(a.trace.moments[a.at].state < 1 || a.trace.moments[a.at].state > HIGHEST_STATE); }},
};
// clang-format on

std::string branch_name(const Branch& b, Way w) {
    std::string name =
        std::string(b.condition) + (*b.part ? " (operand " + std::string(b.part) + ")" : "");
    return name + " in state " + std::to_string(b.state) +
           (w == Way::TRUE_WAY ? " true" : " false");
}

// The branches the story can never take, each with the reason.
const std::set<std::string> NEVER_TAKEN = {
    // Exactly one floor flag is set from a new game on, so leaving the lift
    // always finds its floor.
    "at_floor_4 in state 80 false",
    // The hammer hangs on the rope: taking it needs the rope pulled up,
    // which leaves it nothing to drop, so a dropped rope still holds it.
    "!has_hammer in state 52 false",
    // Every number the story dispatches is one of its states.
    "!catalogue_has_state(state) in state 0 true",
};

// Each branch and way that the exploration took.
std::set<std::string> taken;
const bool branches_watched =
    watch_exploration([](const Exploration& e, const Transition& t, const Trace& trace) {
        const Situation* menu = t.to >= 0 ? &e.situations[t.to] : nullptr;
        for (size_t at = 0; at < trace.moments.size(); at++) {
            const Moment& m = trace.moments[at];
            for (const Branch& b : BRANCHES) {
                bool dispatched = b.state == ANY_STATE && !m.scene_begins;
                if (b.state != m.state && !dispatched)
                    continue;
                Way w = b.way(After{trace, at, menu});
                if (w != Way::UNTESTED)
                    taken.insert(branch_name(b, w));
            }
        }
    });

TEST(Branches, EveryConditionIsTakenBothWaysButTheImpossibleOnes) {
    explored_story();
    std::set<std::string> never;
    for (const Branch& b : BRANCHES) {
        for (Way w : {Way::TRUE_WAY, Way::FALSE_WAY}) {
            if (!taken.count(branch_name(b, w)))
                never.insert(branch_name(b, w));
        }
    }
    EXPECT_EQ(never, NEVER_TAKEN);
}

// The condition of the `if` that opens on the line, or "".
std::string if_condition(std::string line) {
    size_t at = line.find("if (");
    if (at == std::string::npos)
        return "";
    line.erase(0, at + 4);
    if (line.ends_with(" {"))
        line.resize(line.size() - 2);
    if (!line.ends_with(")"))
        return "";
    line.pop_back();
    return line;
}

// The table above names every condition the catalogue holds, so a new one
// cannot go unexplored.
TEST(Branches, TheTableNamesEveryConditionOfTheCatalogue) {
    std::ifstream source(VAKNA_SOURCE_DIR "/src/story/catalogue.cpp");
    ASSERT_TRUE(source.is_open());
    std::set<std::string> in_source;
    for (std::string line; std::getline(source, line);) {
        if (std::string condition = if_condition(line); !condition.empty())
            in_source.insert(condition);
    }
    std::set<std::string> in_table;
    for (const Branch& b : BRANCHES)
        in_table.insert(b.condition);
    EXPECT_EQ(in_table, in_source);
}

} // namespace
