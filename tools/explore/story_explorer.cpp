#include "story_explorer.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace {

// A situation restored by playing its path again from a new game: the story
// is deterministic, and nothing else can bring back its menu faithfully.
struct Replay {
    const std::vector<int>* path;
    size_t taken;
    const std::string* expected_key; // of the situation before the last choice
    bool mismatch;
    bool stopped; // reached the menu after the path
    Listing listing;
    size_t moments_at_stop;
    size_t offers_at_stop;
    size_t text_at_stop;
};

Replay replay;

int action_index(const MenuNode* node, const MenuAction* action) {
    if (!action)
        return -1;
    int index = 0;
    for (const MenuAction* a = node->first_action; a != action; a = a->next)
        index++;
    return index;
}

int capped_laps() {
    return std::min(counter_value(laps_text), LAPS_CAP);
}

// Everything the story reads from here on: the flags, the counts, and each
// listed option with its actions, cursor and loop point; and the scene.
std::string situation_key(const Listing& listing) {
    std::string key;
    auto put = [&key](const void* bytes, size_t size) {
        key.append(static_cast<const char*>(bytes), size);
    };
    int holes = counter_value(holes_text);
    int laps = capped_laps();
    put(&driver_scene, sizeof driver_scene);
    put(&story_flags, sizeof story_flags);
    put(&holes, sizeof holes);
    put(&laps, sizeof laps);
    for (const MenuNode* node : listing.nodes) {
        key += node->label;
        key += '\0';
        int marks[] = {action_index(node, node->cursor), action_index(node, node->loop_point)};
        put(marks, sizeof marks);
        for (const MenuAction* a = node->first_action; a; a = a->next)
            put(&a->state, sizeof a->state);
        key += '\0';
    }
    return key;
}

StateId replay_choose() {
    driver_flush();
    Listing listing = driver_list();
    const std::vector<int>& path = *replay.path;
    if (replay.taken == path.size()) {
        replay.stopped = true;
        replay.listing = listing;
        replay.moments_at_stop = driver_trace.moments.size();
        replay.offers_at_stop = driver_trace.offers.size();
        replay.text_at_stop = driver_trace.text.size();
        return STATE_QUIT;
    }
    int choice = path[replay.taken++];
    if (replay.taken == path.size()) {
        // The transition under exploration starts here.
        if (replay.expected_key && situation_key(listing) != *replay.expected_key)
            replay.mismatch = true;
        driver_trace_clear();
    }
    if (choice == QUIT_CHOICE)
        return STATE_QUIT;
    if (static_cast<size_t>(choice) >= listing.nodes.size()) {
        replay.mismatch = true;
        return STATE_QUIT;
    }
    return driver_select(listing, static_cast<size_t>(choice));
}

class Explorer {
  public:
    explicit Explorer(const TransitionFn& on_transition) : on_transition_(on_transition) {}

    Exploration run() {
        DriverSession session(replay_choose);
        take({START, QUIT_CHOICE, 0}, {});
        for (size_t next = 0; next < result_.situations.size(); next++)
            expand(static_cast<int>(next));
        result_.performed = driver_performed;
        return std::move(result_);
    }

  private:
    const TransitionFn& on_transition_;
    Exploration result_{};
    std::vector<std::string> keys_;
    std::unordered_map<std::string, int> index_;

    // Breadth-first: situations are expanded in the order they were found.
    void expand(int from) {
        std::vector<int> path = path_to(result_, from);
        path.push_back(0);
        int options = static_cast<int>(result_.situations[from].labels.size());
        for (int choice = 0; choice < options; choice++) {
            path.back() = choice;
            take({from, choice, 0}, path);
        }
        path.back() = QUIT_CHOICE;
        take({from, QUIT_CHOICE, 0}, path);
    }

    void take(Transition transition, const std::vector<int>& path) {
        replay = Replay{};
        replay.path = &path;
        replay.expected_key = transition.from == START ? nullptr : &keys_[transition.from];
        driver_trace_clear();
        run_story(STATE_START);
        driver_flush();
        result_.replays++;
        // A story that returned before the path was played out went astray.
        replay.mismatch |= !replay.stopped && replay.taken < path.size();
        result_.replay_mismatches += replay.mismatch;
        if (replay.stopped) {
            driver_trace.moments.resize(replay.moments_at_stop);
            driver_trace.offers.resize(replay.offers_at_stop);
            driver_trace.text.resize(replay.text_at_stop);
            transition.to = situation_reached(transition);
        } else {
            transition.to = transition.choice == QUIT_CHOICE ? QUIT : ENDED;
        }
        result_.transitions.push_back(transition);
        for (const Moment& m : driver_trace.moments) {
            if (m.scene_begins)
                result_.scenes_begun.insert(m.state);
        }
        if (on_transition_)
            on_transition_(result_, transition, driver_trace);
    }

    int situation_reached(const Transition& via) {
        std::string key = situation_key(replay.listing);
        auto [found, added] = index_.try_emplace(key, static_cast<int>(keys_.size()));
        if (!added)
            return found->second;
        keys_.push_back(std::move(key));
        int depth = via.from == START ? 0 : result_.situations[via.from].depth + 1;
        result_.situations.push_back({driver_scene,
                                      {story_flags, counter_value(holes_text)},
                                      capped_laps(),
                                      replay.listing.labels,
                                      via.from,
                                      via.choice,
                                      depth});
        return found->second;
    }
};

} // namespace

Exploration story_explore(const TransitionFn& on_transition) {
    return Explorer(on_transition).run();
}

// The situations passed on the way to a situation, each with the choice
// made there, from the first menu on.
static std::vector<std::pair<int, int>> steps_to(const Exploration& exploration, int situation) {
    std::vector<std::pair<int, int>> steps;
    for (int s = situation; exploration.situations[s].parent != START;
         s = exploration.situations[s].parent)
        steps.emplace_back(exploration.situations[s].parent, exploration.situations[s].choice);
    std::reverse(steps.begin(), steps.end());
    return steps;
}

std::vector<int> path_to(const Exploration& exploration, int situation) {
    std::vector<int> path;
    for (auto [before, choice] : steps_to(exploration, situation))
        path.push_back(choice);
    return path;
}

std::vector<std::string> path_labels(const Exploration& exploration, int situation) {
    std::vector<std::string> labels;
    for (auto [before, choice] : steps_to(exploration, situation))
        labels.push_back(choice == QUIT_CHOICE ? "(quit)"
                                               : exploration.situations[before].labels[choice]);
    return labels;
}

const char* choice_label(const Exploration& exploration, const Transition& transition) {
    if (transition.from == START)
        return "(start)";
    if (transition.choice == QUIT_CHOICE)
        return "(quit)";
    return exploration.situations[transition.from].labels[transition.choice];
}

std::vector<int> choices_to(const Exploration& exploration,
                            const std::function<bool(const Situation&)>& goal, bool end_counts) {
    size_t count = exploration.situations.size();
    std::vector<std::vector<int>> leads_here(count);
    std::vector<int> distance(count, -1);
    std::deque<int> queue;
    for (size_t s = 0; s < count; s++) {
        if (goal(exploration.situations[s])) {
            distance[s] = 0;
            queue.push_back(static_cast<int>(s));
        }
    }
    for (const Transition& t : exploration.transitions) {
        if (t.from == START || t.choice == QUIT_CHOICE)
            continue;
        if (t.to >= 0)
            leads_here[t.to].push_back(t.from);
        else if (t.to == ENDED && end_counts && distance[t.from] < 0) {
            distance[t.from] = 1;
            queue.push_back(t.from);
        }
    }
    // Breadth-first backwards: the queue holds the goals, then the
    // situations one choice from the end, so distances never decrease in it.
    while (!queue.empty()) {
        int here = queue.front();
        queue.pop_front();
        for (int before : leads_here[here]) {
            if (distance[before] < 0) {
                distance[before] = distance[here] + 1;
                queue.push_back(before);
            }
        }
    }
    return distance;
}
