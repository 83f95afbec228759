// The story explored once for the whole test program. Each test file adds,
// before the tests run, what it wants to see of every transition; the first
// test that asks for the exploration runs it once for all of them.
#pragma once

#include "explore/story_explorer.h"

#include <string>

// Adds a watcher of every transition, as story_explore's callback; for a
// namespace-scope initialiser, so it returns true.
bool watch_exploration(const TransitionFn& watcher);

// The exploration from a new game, run on the first call.
const Exploration& explored_story();

// A file of docs/ as committed: the files that pin the story.
std::string committed_doc(const std::string& name);
