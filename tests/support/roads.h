// Roads through the game by option labels, for tests that play it, and the
// menus and texts they meet, all read from the pinned script of the story
// (docs/story-script.txt, which `make story-script` writes again from the
// catalogue): a label changed or added there needs nothing here.
#pragma once

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

using Labels = std::vector<std::string>;

// Holds a whole road, first to last, to name each label once.
inline Labels concat(std::initializer_list<Labels> parts) {
    Labels all;
    for (const Labels& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The lines of the pinned script, read once.
inline const std::vector<std::string>& script_lines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> read;
        std::ifstream file(VAKNA_STORY_SCRIPT);
        if (!file)
            std::fprintf(stderr, "cannot read the story's script %s\n", VAKNA_STORY_SCRIPT);
        for (std::string line; std::getline(file, line);)
            read.push_back(line);
        return read;
    }();
    return lines;
}

// What the script says of a state, by its name: the quoted parts of its
// lines that begin with `kind` ("says   " texts, "offers " labels), in order.
inline Labels script_entries(const std::string& state, const std::string& kind) {
    Labels found;
    bool in_state = false;
    for (const std::string& line : script_lines()) {
        size_t space = line.find(' ');
        if (!line.empty() && line[0] != ' ')
            in_state = space != std::string::npos && line.substr(space + 1) == state;
        else if (in_state && line.rfind("    " + kind, 0) == 0) {
            std::string entry = line.substr(4 + kind.size());
            if (entry[0] == '"')
                entry = entry.substr(1, entry.rfind("\" ->") - 1);
            found.push_back(entry);
        }
    }
    return found;
}

// The options a scene's display state offers, and the texts it says.
inline Labels offers(const std::string& state) {
    return script_entries(state, "offers ");
}
inline Labels says(const std::string& state) {
    return script_entries(state, "says   ");
}

// The label of the option that leads to this state (the first, where more
// than one does).
inline std::string label_to(const std::string& state) {
    for (const std::string& line : script_lines()) {
        size_t arrow = line.rfind("\" -> ");
        size_t name = line.find(' ', arrow + 5);
        if (line.rfind("    offers \"", 0) == 0 && arrow != std::string::npos &&
            line.substr(name + 1) == state)
            return line.substr(12, arrow - 12);
    }
    return "(no option leads to " + state + ")";
}

// The bed, where every game begins, and the room with the window above it.
inline const std::string BED_TEXT = says("SHOW_BED").at(0);
inline const Labels BED_MENU = offers("SHOW_BED");
inline const std::string GET_UP = label_to("GET_UP");
inline const std::string SLEEP = label_to("FALL_ASLEEP");
inline const std::string SLEEP_TEXT = says("FALL_ASLEEP").at(0);
inline const Labels ROOM_MENU = offers("SHOW_ROOM");
inline const std::string EAT = label_to("EAT");
inline const std::string TAKE_ICE_DRILL = label_to("TAKE_ICE_DRILL");

inline const std::string OUT_OF_THE_WINDOW = label_to("CLIMB_OUT");
// Every option the window may offer; the first ones, back in among them,
// stand there in any game.
inline const Labels WINDOW_MENU = offers("SHOW_WINDOW");
inline const std::string BACK_IN = label_to("CLIMB_BACK_IN");

// The first words of a text, which a line of any width that holds them
// shows together.
inline std::string first_words(const std::string& text, size_t words) {
    size_t end = 0;
    while (words-- > 0 && end != std::string::npos)
        end = text.find(' ', end + 1);
    return text.substr(0, end);
}

// An option's number in a menu, as the list shows it, from 1.
inline int number_in(const Labels& menu, const std::string& label) {
    for (size_t i = 0; i < menu.size(); i++)
        if (menu[i] == label)
            return static_cast<int>(i) + 1;
    return 0;
}

// From the bed to the window over the frozen lake, with the ice drill.
inline const Labels ROAD_TO_THE_WINDOW = {GET_UP, TAKE_ICE_DRILL, OUT_OF_THE_WINDOW};

// From the bed down below, through the fun hole.
inline const Labels ROAD_DOWN_BELOW =
    concat({ROAD_TO_THE_WINDOW, {"Borra två hål", "Kliva ner i det roligaste hålet"}});

// From the window, drilling three holes twice and then two, into a death.
inline const Labels FROM_THE_WINDOW_TO_A_DEATH = {
    label_to("DRILL_THREE_HOLES"), label_to("DRILL_THREE_HOLES"), label_to("DRILL_TWO_HOLES")};

// From the bed into the lift, its buttons working.
inline const Labels ROAD_INTO_THE_LIFT =
    concat({ROAD_DOWN_BELOW, {"Ta musslan", "Ta hissen", "Forma in musslan i fördjupningen"}});

// From the lift, its buttons working, to the finale's question whether to
// play again.
// clang-format off
inline const Labels FROM_THE_LIFT_TO_THE_FINALE = concat({
    {"Trycka på knapp 2", "Kliva ur hissen", "Dra i rep-stjärten", "Tränga in i hissen",
     "Trycka på knapp 1", "Kliva ur hissen", "Ta hammaren", "Gå in genom dörren"},
    Labels(9, "_T32"), // the boat, built at the ninth
    {"Ta upp ögonen och stoppa tillbaka dem", "Segla över havet", "Ta skaftet", "Segla åter",
     "Dra dig tillbaka", "Ta hissen", "Trycka på knapp 4", "Kliva ur hissen", "Ta nyckeln",
     "Använda hissen", "Trycka på knapp 3", "Kliva ur hissen", "Gå in i undervattensbåten"}});
// clang-format on

// From the bed to the finale's question.
inline const Labels ROAD_TO_THE_FINALE = concat({ROAD_INTO_THE_LIFT, FROM_THE_LIFT_TO_THE_FINALE});

// From the bed to the ice giant, who kills a player without hammer and
// handle; ends at the question whether to go on.
inline const Labels ROAD_TO_THE_ICE_GIANT =
    concat({ROAD_INTO_THE_LIFT, {"Trycka på knapp 4", "Kliva ur hissen"}});

// The questions after death and after the finale: the first option ends the
// game, the second starts a new one.
inline const std::string DECLINE_TO_GO_ON = label_to("DO_NOT_GO_ON");
inline const std::string GO_ON = label_to("GO_ON");
inline const std::string DECLINE_TO_PLAY_AGAIN = label_to("DO_NOT_PLAY_AGAIN");
inline const std::string PLAY_AGAIN = label_to("PLAY_AGAIN");
