// The turns said so far, kept so that a new size can write the screen again
// as it was: the story says its texts through here, the chooser ends each
// turn and replays them all when the window changes.
#pragma once

// What stands between a turn's texts and the list of its choices: a newline
// that ends the story's line and one empty line.
constexpr const char* BEFORE_LIST = "\n\n";

// The story's entry points: each is written as the paragraph writer writes
// it, and remembered in the current turn.
void story_say(const char* text);
void story_paragraph();

// The bytes of the texts said that the remembered turns hold at most, the
// current turn's included. The oldest turns are forgotten whole to keep
// within it.
constexpr unsigned SAID_BUDGET = 16384;

// Writes the remembered turns again from the start of an empty line, oldest
// first, with the same paragraph breaks: each earlier turn followed by
// BEFORE_LIST, as its list once followed it, then the current turn.
void replay_turns();
// Ends the current turn: called when the chooser has returned.
void end_turn();
