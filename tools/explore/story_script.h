// The story's script: what every state says and which options it offers,
// as the explorer saw the story play, written state by state. It is the one
// place where a proofreader reads every line of the game, and the committed
// copy holds the story to every text of it.
#pragma once

#include "story_explorer.h"

#include <set>
#include <string>
#include <vector>

// One line of what a state says: a text, a count said as its decimal text,
// or the start of a new paragraph.
struct ScriptLine {
    enum Kind { TEXT, COUNT, PARAGRAPH };
    Kind kind;
    std::string text; // for TEXT only
    bool operator==(const ScriptLine&) const = default;
};

struct ScriptOption {
    std::string label;
    StateId state;
    bool operator==(const ScriptOption&) const = default;
};

// Which count a state says: the bits of the counts that matched the said
// number every time it was said.
constexpr unsigned SAYS_HOLES = 1;
constexpr unsigned SAYS_LAPS = 2;

// Everything one state was seen to do. Where it does different things under
// different flags, the variants are merged, each in the order the story
// gave it, so a text that only sometimes follows another still follows it.
struct ScriptState {
    long performed;
    std::set<StateId> scenes_begun; // display states it went on to at once
    std::vector<ScriptLine> lines;
    std::vector<ScriptOption> options;
    unsigned count_is = SAYS_HOLES | SAYS_LAPS;
};

struct StoryScript {
    std::vector<ScriptState> states = std::vector<ScriptState>(HIGHEST_STATE + 1);
};

// Adds what the states of one transition said and offered to the script.
void script_note(StoryScript& script, const Trace& trace);

// The script as text, state by state in order of number.
std::string script_text(const StoryScript& script);
