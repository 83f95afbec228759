// The whole game from the bed to the finale, and a new game after it.
#include "scripted_player.h"

#include "story/story.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const Labels BED = {"Kliva upp", "Sova"};
const Labels ROOM = {"Lägga dig", OUT_OF_THE_WINDOW, "Ta isborren", "Äta"};
const Labels WALKS = {"Gå ett varv runt sjön", "Gå två varv runt sjön", "Gå tre varv runt sjön",
                      "Gå in genom fönstret"};
const Labels DRILLS = {"Borra två hål", "Borra tre hål"};
const Labels HOLES = {"Räkna hålen", "Kliva ner i det roligaste hålet",
                      "Kliva ner i det tråkigaste hålet"};
const Labels EYES = {"Återvända", "Ta upp ögonen och stoppa tillbaka dem", "Tänka efter", "_T32"};
const Labels SEA = {"Dra dig tillbaka", "Dricka upp havet", "_T34", "Gömma undan havet",
                    "Segla över havet"};
const Labels BELOW = {"Ta hissen", "Gå in i undervattensbåten", "Glamma till"};
const Labels FINALE = {"Vill du inte spela en gång till", "Eller vill du spela en gång till"};

const std::string ROOM_TEXT = "Du står i ett litet rum med varken väggar eller tak men det finns "
                              "ett fönster. Det står en isborr lutad mot fönsterkarmen.";
const std::string LIFT_TEXT = "Du står inne i hissen och ser fyra knappar märkta 1, 2, 3 och 4.";
const std::string SEA_TEXT = "Du står i ett litet rum. Det enda som finns här inne är ett hav.";
const std::string DOOR_TEXT = "Du kommer in i ett rum. Du ser en dörr. "
                              "Ett rep hänger ner genom ett hål i taket.";
const std::string IN_VAIN = "Du tänker efter men kommer inte på något.";

std::string eight_vain_thoughts() {
    std::string turns;
    for (int i = 0; i < 8; i++)
        turns += turn(IN_VAIN, EYES, "_T32");
    return turns;
}

const std::string WALKTHROUGH_TRANSCRIPT =
    turn("Plötsligt vaknar du och märker att du ligger i en säng.", BED, "Kliva upp") +
    turn(ROOM_TEXT, ROOM, "Ta isborren") +
    turn("Du tar isborren och stoppar den i kragen.", {"Lägga dig", OUT_OF_THE_WINDOW, "Äta"},
         OUT_OF_THE_WINDOW) +
    turn("Du står lutad mot fönstret och tittar ut över den frusna sjön och det fina "
         "sommarlandskapet.",
         concat({WALKS, DRILLS}), "Borra två hål") +
    turn("Du borrar två hål (ett roligt, ett tråkigt).", concat({WALKS, DRILLS, HOLES}),
         "Kliva ner i det roligaste hålet") +
    turn("Här nere är det väldigt roligt, vad vill du göra? Det finns en mussla här.",
         {"Ta hissen", "Ta musslan", "Gå in i undervattensbåten", "Glamma till"}, "Ta musslan") +
    turn("Du har nu musslan i bak-fickan.", BELOW, "Ta hissen") +
    turn(LIFT_TEXT, concat({BUTTONS, {"Forma in musslan i fördjupningen"}}),
         "Forma in musslan i fördjupningen") +
    turn("Du formar försiktigt in musslan.", BUTTONS, "Trycka på knapp 2") +
    turn("Du är nu på våning 2.", BUTTONS, "Kliva ur hissen") +
    turn("Oj, oj, oj, vad här är litet. "
         "Du ser en rep-stump sticka upp ur golvet (eller är det taket).",
         {"Dra i rep-stjärten", "Tränga in i hissen"}, "Dra i rep-stjärten") +
    turn("Du drar upp repet, det följer med en hammare.", {"Tränga in i hissen"},
         "Tränga in i hissen") +
    turn("Du glider in i hissen. " + LIFT_TEXT, BUTTONS, "Trycka på knapp 1") +
    turn("Du är nu på våning 1.", BUTTONS, "Kliva ur hissen") +
    turn(DOOR_TEXT + " I andra ändan hänger en hammare.", concat({DOOR, {"Ta hammaren"}}),
         "Ta hammaren") +
    turn("Du fattar tag om hammaren.", DOOR, "Gå in genom dörren") +
    turn("Plötsligt öppnar du dörren. Du ser ingenting för du har tappat dina ögon.", EYES,
         "_T32") +
    eight_vain_thoughts() +
    turn("Du får en idé och bygger en stabil båt.", EYES, "Ta upp ögonen och stoppa tillbaka dem") +
    turn("Du greppar tag om ögonen och placerar dem på det rätta stället. "
         "Du ser nu mycket bättre. " +
             SEA_TEXT,
         SEA, "Segla över havet") +
    turn("Du biter i det sura seglet och ger dig ut på havet. "
         "Du kommer av misstag iland på en ö. Du ser ett skaft.",
         {"Segla åter", "Ta skaftet"}, "Ta skaftet") +
    turn("Du sätter hammaren på skaftet.", {"Segla åter"}, "Segla åter") +
    turn("Du seglar en lång stund tills... " + SEA_TEXT, SEA, "Dra dig tillbaka") +
    turn(DOOR_TEXT, DOOR, "Ta hissen") +
    turn("Du ilar för att hinna med hissen. " + LIFT_TEXT, BUTTONS, "Trycka på knapp 4") +
    turn("Du är nu på våning 4.", BUTTONS, "Kliva ur hissen") +
    turn("Du klubbar helt automatiskt ner isjätten och tittar dig omkring. "
         "Här uppe på isen är det ganska snyggt. Du ser någonting långt borta. "
         "Det ligger en nyckel vid dina händer.",
         {"Använda hissen", "Ta nyckeln"}, "Ta nyckeln") +
    turn("Det här är den största nyckel du sett "
         "(förutom den din morfar hade för att låsa fast bilen).",
         {"Använda hissen"}, "Använda hissen") +
    turn(LIFT_TEXT, BUTTONS, "Trycka på knapp 3") +
    turn("Du är nu på våning 3.", BUTTONS, "Kliva ur hissen") +
    turn("Här nere är det väldigt roligt, vad vill du göra?", BELOW, "Gå in i undervattensbåten");

// The finale's second text opens a new paragraph: a newline, the indent and
// the joining space.
const std::string FINALE_TEXT = "Du bemannar undervattensbåten och seglar av misstag så långt du "
                                "kan.\n  Du har härmed klarat del:1 av spel:1.";

TEST(StoryWalkthrough, ReachesTheFinaleTextByText) {
    Playthrough run =
        play(STATE_START, concat({ROAD_TO_THE_FINALE, {"Vill du inte spela en gång till"}}));
    EXPECT_SAME_TEXT(WALKTHROUGH_TRANSCRIPT +
                         turn(FINALE_TEXT, FINALE, "Vill du inte spela en gång till"),
                     run.transcript);
    EXPECT_EQ(run.unused_choices, 0u);
}

TEST(StoryWalkthrough, NewGameAfterTheFinaleStartsAfresh) {
    Playthrough run =
        play(STATE_START, concat({ROAD_TO_THE_FINALE, {"Eller vill du spela en gång till"}}));
    // The new game is at its first menu when the script ends.
    EXPECT_SAME_TEXT(
        WALKTHROUGH_TRANSCRIPT + turn(FINALE_TEXT, FINALE, "Eller vill du spela en gång till") +
            turn("Plötsligt vaknar du och märker att du ligger i en säng.", BED, "(quit)"),
        run.transcript);
    StoryFlags fresh{};
    fresh.at_floor_3 = true;
    EXPECT_EQ(std::memcmp(&story_flags, &fresh, sizeof fresh), 0);
    EXPECT_STREQ(laps_text, "0");
    EXPECT_STREQ(holes_text, "0");

    Playthrough again =
        play(STATE_START,
             concat({ROAD_TO_THE_FINALE, {"Eller vill du spela en gång till", "Kliva upp"}}));
    EXPECT_EQ(again.menus.back(), ROOM); // the ice drill stands by the window again
}

} // namespace
