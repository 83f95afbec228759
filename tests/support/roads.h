// Roads through the game by option labels, for tests that play it.
#pragma once

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

inline const std::string OUT_OF_THE_WINDOW =
    "Klättra ut genom fönstret (eftersom det inte finns någon dörr)";

// From the bed to the window over the frozen lake, with the ice drill.
inline const Labels ROAD_TO_THE_WINDOW = {"Kliva upp", "Ta isborren", OUT_OF_THE_WINDOW};

// From the bed down below, through the fun hole.
inline const Labels ROAD_DOWN_BELOW =
    concat({ROAD_TO_THE_WINDOW, {"Borra två hål", "Kliva ner i det roligaste hålet"}});

// From the bed into the lift, its buttons working.
inline const Labels ROAD_INTO_THE_LIFT =
    concat({ROAD_DOWN_BELOW, {"Ta musslan", "Ta hissen", "Forma in musslan i fördjupningen"}});

// From the lift, its buttons working, to the finale's question whether to
// play again.
inline const Labels FROM_THE_LIFT_TO_THE_FINALE = {
    "Trycka på knapp 2",
    "Kliva ur hissen",
    "Dra i rep-stjärten",
    "Tränga in i hissen",
    "Trycka på knapp 1",
    "Kliva ur hissen",
    "Ta hammaren",
    "Gå in genom dörren",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "_T32",
    "Ta upp ögonen och stoppa tillbaka dem",
    "Segla över havet",
    "Ta skaftet",
    "Segla åter",
    "Dra dig tillbaka",
    "Ta hissen",
    "Trycka på knapp 4",
    "Kliva ur hissen",
    "Ta nyckeln",
    "Använda hissen",
    "Trycka på knapp 3",
    "Kliva ur hissen",
    "Gå in i undervattensbåten",
};

// From the bed to the finale's question.
inline const Labels ROAD_TO_THE_FINALE = concat({ROAD_INTO_THE_LIFT, FROM_THE_LIFT_TO_THE_FINALE});

// From the bed to the ice giant, who kills a player without hammer and
// handle; ends at the question whether to go on.
inline const Labels ROAD_TO_THE_ICE_GIANT =
    concat({ROAD_INTO_THE_LIFT, {"Trycka på knapp 4", "Kliva ur hissen"}});

// The questions after death and after the finale: the first option ends the
// game, the second starts a new one.
inline const std::string DECLINE_TO_GO_ON = "Vill du inte fortsätta";
inline const std::string GO_ON = "Eller vill du fortsätta";
inline const std::string DECLINE_TO_PLAY_AGAIN = "Vill du inte spela en gång till";
inline const std::string PLAY_AGAIN = "Eller vill du spela en gång till";
