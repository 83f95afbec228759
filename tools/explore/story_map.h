// The story map: the scenes the explorer saw as boxes, the options that
// lead from one to another as labelled arrows, in Graphviz's dot language.
// Where the flags or the holes count decide where an option leads, or
// whether it is offered, the arrow says so: the condition is the simplest
// one that tells the situations where it happened from those where it did
// not, so the map is drawn from the story's behaviour, never from a list.
#pragma once

#include "map_condition.h"
#include "story_explorer.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// One way out of a scene: an option (or, for a scene that shows no menu,
// the story's own move, with an empty label) and where it led.
struct MapArrow {
    StateId from; // a display state, or MAP_START
    std::string label;
    StateId to;                // a display state, MAP_SAME_SCENE or MAP_END
    std::set<FactsCode> facts; // where it was taken
    std::uint32_t flags_set;   // flags it turned on, as bits
};

constexpr StateId MAP_START = -1;
constexpr StateId MAP_END = -2;
constexpr StateId MAP_SAME_SCENE = 0;

struct MapScene {
    std::set<StateId> entries; // the entry states that begin it
    // The menus it was first shown with, each with the facts it was shown at.
    std::set<std::pair<FactsCode, std::set<std::string>>> first_menus;
    // Options that join its menu later, with the options whose choice
    // made them appear.
    std::map<std::string, std::set<std::string>> appears_after;
};

struct StoryMap {
    std::vector<StateId> scene_order; // as the explorer first met them
    std::map<StateId, MapScene> scenes;
    std::vector<MapArrow> arrows; // as first taken
};

// Adds what one transition of the exploration shows to the map.
void map_note(StoryMap& map, const Exploration& exploration, const Transition& transition,
              const Trace& trace);

// The map as a dot graph.
std::string map_dot(const StoryMap& map);
