// The story's state machine: dispatches state numbers, keeps the fourteen
// flags and the two counts, and runs until a state returns.
#pragma once

#include "story/state_id.h"

// Runs the story from start until a state returns.
void run_story(StateId start);
