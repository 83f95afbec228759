#include "story_map.h"

#include <algorithm>

namespace {

// How the map names the scenes, by the names of their display states.
const std::map<std::string, const char*> SCENE_NAMES = {
    {"RESET_GAME", "new game"},
    {"SHOW_BED", "the bed"},
    {"SHOW_ROOM", "the room with the window"},
    {"SHOW_WINDOW", "at the window, over the frozen lake"},
    {"SHOW_DOWN_BELOW", "down below (lift floor 3)"},
    {"SHOW_LIFT", "inside the lift"},
    {"SHOW_DOOR_ROOM", "the room with the door (lift floor 1)"},
    {"SHOW_TINY_ROOM", "the tiny room (lift floor 2)"},
    {"SHOW_BEHIND_DOOR", "behind the door"},
    {"SHOW_SEA_ROOM", "the room that holds a sea"},
    {"MEET_ICE_GIANT", "the ice giant (lift floor 4)"},
    {"SHOW_ON_THE_ICE", "up on the ice"},
    {"SHOW_ISLAND", "the island"},
    {"SHOW_FINALE", "the finale"},
    {"SHOW_DEATH", "death"},
};

MapArrow& arrow(StoryMap& map, StateId from, const std::string& label, StateId to) {
    for (MapArrow& a : map.arrows) {
        if (a.from == from && a.label == label && a.to == to)
            return a;
    }
    map.arrows.push_back({from, label, to, {}, 0});
    return map.arrows.back();
}

void note_scene(StoryMap& map, StateId scene, StateId entry) {
    if (!map.scenes.count(scene))
        map.scene_order.push_back(scene);
    map.scenes[scene].entries.insert(entry);
}

void note_hop(StoryMap& map, StateId from, const std::string& label, StateId to, FactsCode before,
              FactsCode after) {
    MapArrow& a = arrow(map, from, label, to);
    a.facts.insert(before);
    a.flags_set |= flag_bits(after) & ~flag_bits(before);
}

// The options of a menu that the one before it did not list.
void note_appearances(MapScene& scene, const Situation& before, const Situation& after,
                      const std::string& chosen) {
    for (const char* label : after.labels) {
        if (std::find(before.labels.begin(), before.labels.end(), label) == before.labels.end())
            scene.appears_after[label].insert(chosen);
    }
}

FactsCode facts_code(const Facts& facts) {
    return facts_code(facts.flags, facts.holes);
}

// What the story held as the transition began: its situation's facts, or
// at the program's start whatever the first state found.
FactsCode facts_at_start(const Situation* from, const Trace& trace) {
    if (from)
        return facts_code(from->facts);
    if (trace.moments.empty())
        return 0;
    return facts_code(trace.moments[0].flags, trace.moments[0].holes);
}

} // namespace

// The transition is cut into hops at every scene it begins: the option leads
// to the first, and a scene that shows no menu moves on to the next by
// itself, deciding by the facts at the moment it began.
void map_note(StoryMap& map, const Exploration& exploration, const Transition& transition,
              const Trace& trace) {
    if (transition.choice == QUIT_CHOICE && transition.from != START)
        return;
    const Situation* from =
        transition.from == START ? nullptr : &exploration.situations[transition.from];
    const Situation* to = transition.to >= 0 ? &exploration.situations[transition.to] : nullptr;
    StateId here = from ? from->scene : MAP_START;
    std::string label = from ? choice_label(exploration, transition) : "";
    FactsCode before = facts_at_start(from, trace);
    bool began = false;
    for (size_t i = 0; i < trace.moments.size(); i++) {
        const Moment& m = trace.moments[i];
        if (!m.scene_begins)
            continue;
        FactsCode now = facts_code(m.flags, m.holes);
        note_scene(map, m.state, i > 0 ? trace.moments[i - 1].state : 0);
        note_hop(map, here, label, m.state, before, now);
        here = m.state;
        label.clear();
        before = now;
        began = true;
    }
    if (transition.to == ENDED)
        note_hop(map, here, label, MAP_END, before, before);
    else if (!began)
        note_hop(map, here, label, MAP_SAME_SCENE, before, facts_code(to->facts));
    if (to && began) {
        std::set<std::string> labels(to->labels.begin(), to->labels.end());
        map.scenes[to->scene].first_menus.insert({facts_code(to->facts), labels});
    }
    if (to && from && !began)
        note_appearances(map.scenes[to->scene], *from, *to, choice_label(exploration, transition));
}

namespace {

bool first_offered(const MapScene& scene, const std::string& label) {
    return std::any_of(scene.first_menus.begin(), scene.first_menus.end(),
                       [&](const auto& menu) { return menu.second.count(label) > 0; });
}

// The facts under which the arrow's option was not taken to where it leads:
// it led elsewhere, or its scene began without offering it.
std::set<FactsCode> facts_otherwise(const StoryMap& map, const MapArrow& a) {
    std::set<FactsCode> otherwise;
    for (const MapArrow& other : map.arrows) {
        if (other.from == a.from && other.label == a.label && other.to != a.to)
            otherwise.insert(other.facts.begin(), other.facts.end());
    }
    auto scene = map.scenes.find(a.from);
    if (!a.label.empty() && scene != map.scenes.end() && first_offered(scene->second, a.label)) {
        for (const auto& [facts, labels] : scene->second.first_menus) {
            if (!labels.count(a.label))
                otherwise.insert(facts);
        }
    }
    return otherwise;
}

std::optional<std::string> condition_of(const StoryMap& map, const MapArrow& a) {
    std::set<FactsCode> otherwise = facts_otherwise(map, a);
    if (otherwise.empty())
        return "";
    return condition_between(a.facts, otherwise);
}

// What the map writes beside an option: when it is offered or taken that
// way, and which flags it sets.
std::string annotation(const StoryMap& map, const MapArrow& a) {
    std::vector<std::string> parts;
    auto scene = map.scenes.find(a.from);
    if (!a.label.empty() && scene != map.scenes.end() && !first_offered(scene->second, a.label)) {
        std::string after;
        for (const std::string& cause : scene->second.appears_after.at(a.label))
            after += (after.empty() ? "after " : " or ") + cause;
        parts.push_back(after);
    }
    std::optional<std::string> condition = condition_of(map, a);
    if (!condition) {
        // The one way out that no simple condition picks: the way the
        // others do not take.
        bool others_explained = true;
        for (const MapArrow& other : map.arrows) {
            if (other.from == a.from && other.label == a.label && other.to != a.to)
                others_explained = others_explained && condition_of(map, other).has_value();
        }
        condition = others_explained ? "otherwise" : "?";
    }
    if (!condition->empty())
        parts.push_back("[" + *condition + "]");
    if (a.flags_set)
        parts.push_back("sets " + flag_list(a.flags_set));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " ") + part;
    return text;
}

// Text for a quoted dot string; line breaks are added by the caller.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string node_name(StateId scene) {
    if (scene == MAP_START)
        return "start";
    if (scene == MAP_END)
        return "end";
    return "scene" + std::to_string(scene);
}

// Text for a label in Graphviz's HTML-like form.
std::string html(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The scene's name and its entry states, in bold.
std::string scene_title(StateId scene, const MapScene& seen) {
    const char* state_name = catalogue_state_name(scene);
    auto name = SCENE_NAMES.find(state_name ? state_name : "");
    std::string title = name != SCENE_NAMES.end() ? name->second : "scene " + std::to_string(scene);
    std::string entries;
    for (StateId entry : seen.entries)
        entries += (entries.empty() ? "" : ", ") + std::to_string(entry);
    return "<b>" + html(title) + " (" + entries + ")</b>";
}

// A box: the scene's title, then its options that keep the player in the
// scene, one a line, left-aligned.
std::string scene_node(const StoryMap& map, StateId scene) {
    std::string label = scene_title(scene, map.scenes.at(scene));
    bool first = true;
    for (const MapArrow& a : map.arrows) {
        if (a.from != scene || a.to != MAP_SAME_SCENE)
            continue;
        std::string note = annotation(map, a);
        label += (first ? "<br/>" : "") + html(a.label + (note.empty() ? "" : " " + note)) +
                 "<br align=\"left\"/>";
        first = false;
    }
    return "  " + node_name(scene) + " [label=<" + label + ">];\n";
}

std::string arrow_line(const StoryMap& map, const MapArrow& a) {
    std::string note = annotation(map, a);
    std::string label = escaped(a.label);
    if (!a.label.empty() && !note.empty())
        label += "\\n";
    label += escaped(note);
    return "  " + node_name(a.from) + " -> " + node_name(a.to) + " [label=\"" + label + "\"];\n";
}

} // namespace

std::string map_dot(const StoryMap& map) {
    std::string dot =
        "// The story map, drawn by story_explorer from what it saw; "
        "`make story-map` draws it again.\n"
        "digraph story {\n"
        "  graph [fontname=\"DejaVu Sans\", fontsize=11, labelloc=t, label=\"vakna: "
        "every scene and the options between them. Any menu also takes the quit "
        "key, which ends the story.\"];\n"
        "  node [shape=box, margin=\"0.2,0.1\", fontname=\"DejaVu Sans\", fontsize=10];\n"
        "  edge [fontname=\"DejaVu Sans\", fontsize=9];\n"
        "  start [shape=point];\n"
        "  end [shape=ellipse, label=\"the story ends\"];\n";
    for (StateId scene : map.scene_order)
        dot += scene_node(map, scene);
    for (const MapArrow& a : map.arrows) {
        if (a.to != MAP_SAME_SCENE)
            dot += arrow_line(map, a);
    }
    return dot + "}\n";
}
