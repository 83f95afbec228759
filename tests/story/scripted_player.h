// A scripted player for the story: takes the chooser's place, answers each
// menu with the next label of its script, and writes every menu into the
// story's output as one line, so a run reads as a transcript.
#pragma once

#include "menu/state_id.h"
#include "support/roads.h"

#include <string>
#include <vector>

struct Playthrough {
    std::string transcript;    // the story's output with the erase sequences left out
    std::vector<Labels> menus; // every menu as listed, spent options gone
    size_t unused_choices;     // script labels left when the run ended
};

// Runs the story from start. A label missing from its menu fails the test;
// once the script is used up, the next menu is answered with the quit.
Playthrough play(StateId start, const Labels& script);

// The transcript's line for a menu: "\n[a | b] > choice\n".
std::string menu_line(const Labels& menu, const std::string& choice);

// The transcript of one turn: the texts said, then the menu and the answer.
std::string turn(const std::string& texts, const Labels& menu, const std::string& choice);

// Menus that more than one test plays through.
inline const Labels BUTTONS = {"Trycka på knapp 1", "Trycka på knapp 2", "Trycka på knapp 3",
                               "Trycka på knapp 4", "Kliva ur hissen"};
inline const Labels DOOR = {"Ta hissen", "Gå in genom dörren"};
inline const Labels DEATH = {"Vill du inte fortsätta", "Eller vill du fortsätta"};
