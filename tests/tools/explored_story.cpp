#include "explored_story.h"

#include "support/text_checks.h"

#include <vector>

namespace {

// Built before main by the watchers' initialisers, so a function's static
// rather than a namespace-scope vector, whose turn to be built could come
// after theirs.
std::vector<TransitionFn>& watchers() {
    static std::vector<TransitionFn> all;
    return all;
}

} // namespace

bool watch_exploration(const TransitionFn& watcher) {
    watchers().push_back(watcher);
    return true;
}

const Exploration& explored_story() {
    static const Exploration exploration =
        story_explore([](const Exploration& e, const Transition& t, const Trace& trace) {
            for (const TransitionFn& watcher : watchers())
                watcher(e, t, trace);
        });
    return exploration;
}

std::string committed_doc(const std::string& name) {
    return read_file(VAKNA_SOURCE_DIR "/docs/" + name);
}
