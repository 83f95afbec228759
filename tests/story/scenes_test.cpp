// Scenes whose texts and options depend on what the player has done, and
// how a run ends.
#include "scripted_player.h"

#include "story/catalogue.h"
#include "story/story.h"
#include "support/stdio_redirect.h"
#include "support/text_checks.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const std::string KILLED = "\nIsjätten klubbar ner dig. Du är DÖD nu.";

TEST(Lift, ButtonsRefuseUntilTheMusselIsFitted) {
    Playthrough run =
        play(STATE_START, concat({ROAD_DOWN_BELOW,
                                  {"Ta hissen", "Trycka på knapp 1", "Trycka på knapp 2",
                                   "Trycka på knapp 3", "Trycka på knapp 4", "Kliva ur hissen"}}));
    EXPECT_TRUE(contains(
        run.transcript,
        turn("Hissen rör sig inte ur smulan.", BUTTONS, "Trycka på knapp 2") +
            turn("Hissen rör sig inte ur smultronet.", BUTTONS, "Trycka på knapp 3") +
            turn("Hissen rör sig inte ur smulan.", BUTTONS, "Trycka på knapp 4") +
            turn("Hissen rör sig inte ur semlan.", BUTTONS, "Kliva ur hissen") +
            "Här nere är det väldigt roligt, vad vill du göra? Det finns en mussla här.\n"));
    EXPECT_TRUE(story_flags.at_floor_3);
    EXPECT_FALSE(story_flags.at_floor_1 || story_flags.at_floor_2 || story_flags.at_floor_4);
}

TEST(Rope, DroppedRopeLeavesNoHammerAndTheIceGiantKills) {
    Playthrough run = play(
        STATE_START,
        concat({ROAD_INTO_THE_LIFT,
                {"Trycka på knapp 1", "Kliva ur hissen", "Dra i repet", "Ta hissen",
                 "Trycka på knapp 2", "Kliva ur hissen", "Tränga in i hissen", "Trycka på knapp 1",
                 "Kliva ur hissen", "Ta hissen", "Trycka på knapp 4", "Kliva ur hissen"}}));
    EXPECT_TRUE(
        contains(run.transcript, turn("Du rycker till och repet åker ner genom hålet i golvet.",
                                      DOOR, "Ta hissen")));
    EXPECT_TRUE(contains(run.transcript,
                         turn("\nOj, oj, oj, vad här är litet. Det ligger ett rep ihoprullat "
                              "någonstans, men du kan inte minnas var. Det sitter en hammare på "
                              "repet.",
                              {"Tränga in i hissen"}, "Tränga in i hissen")));
    EXPECT_TRUE(contains(run.transcript,
                         turn("\nDu kommer in i ett rum. Du ser en dörr.", DOOR, "Ta hissen")));
    EXPECT_TRUE(contains(run.transcript, turn(KILLED, DEATH, "(quit)")));
}

TEST(IceGiant, KillsWithoutBothHammerAndHandle) {
    const Labels to_the_giant = {"Ta hissen", "Trycka på knapp 4", "Kliva ur hissen"};
    const Labels hammer = {"Trycka på knapp 2",  "Kliva ur hissen",   "Dra i rep-stjärten",
                           "Tränga in i hissen", "Trycka på knapp 1", "Kliva ur hissen",
                           "Ta hammaren"};
    Playthrough neither = play(STATE_START, ROAD_TO_THE_ICE_GIANT);
    EXPECT_TRUE(contains(neither.transcript, turn(KILLED, DEATH, "(quit)")));
    Playthrough only_hammer = play(STATE_START, concat({ROAD_INTO_THE_LIFT, hammer, to_the_giant}));
    EXPECT_TRUE(contains(only_hammer.transcript, "\nDu fattar tag om hammaren.\n"));
    EXPECT_TRUE(contains(only_hammer.transcript, turn(KILLED, DEATH, "(quit)")));
}

// The handle first, by boat; "_T32" goes on past the boat and stays offered.
TEST(IceGiant, HandleThenHammerMakesTheClubThatWins) {
    const Labels eyes = {"Återvända", "Ta upp ögonen och stoppa tillbaka dem", "Tänka efter",
                         "_T32"};
    Playthrough run =
        play(STATE_START,
             concat({ROAD_INTO_THE_LIFT,
                     {"Trycka på knapp 1", "Kliva ur hissen", "Gå in genom dörren"},
                     Labels(11, "_T32"),
                     {"Ta upp ögonen och stoppa tillbaka dem", "Segla över havet", "Ta skaftet",
                      "Segla åter", "Dra dig tillbaka", "Ta hissen", "Trycka på knapp 2",
                      "Kliva ur hissen", "Dra i rep-stjärten", "Tränga in i hissen",
                      "Trycka på knapp 1", "Kliva ur hissen", "Ta hammaren", "Ta hissen",
                      "Trycka på knapp 4", "Kliva ur hissen"}}));
    EXPECT_TRUE(
        contains(run.transcript,
                 turn("Du får en idé och bygger en stabil båt.", eyes, "_T32") +
                     turn("Du tänker efter men kan inte komma på någonting mer.", eyes, "_T32") +
                     turn("Du tänker efter men kan inte komma på någonting mer.", eyes,
                          "Ta upp ögonen och stoppa tillbaka dem")));
    EXPECT_TRUE(contains(run.transcript, "\nDu fattar tag om skaftet.\n"));
    EXPECT_TRUE(contains(run.transcript, "\nDu tar hammaren och sätter den på skaftet.\n"));
    EXPECT_TRUE(contains(run.transcript, "\nDu klubbar helt automatiskt ner isjätten"));
}

TEST(RunEnds, OnTheQuitAndOnDecliningToGoOn) {
    Playthrough quit = play(STATE_START, {});
    EXPECT_SAME_TEXT(turn("Plötsligt vaknar du och märker att du ligger i en säng.",
                          {"Kliva upp", "Sova"}, "(quit)"),
                     quit.transcript);
    Playthrough died = play(37, {"Återvända", "Vill du inte fortsätta"});
    EXPECT_TRUE(contains(died.transcript,
                         turn("\nDu går in i en nål och dör ögon-blickligen. Du är DÖD nu.", DEATH,
                              "Vill du inte fortsätta")));
    EXPECT_EQ(died.menus.size(), 2u);
}

TEST(RunEnds, AtANumberThatIsNoState) {
    const StateId past_the_last = HIGHEST_STATE + 1;
    for (StateId number : {0, past_the_last, -1, INT_MIN, INT_MAX}) {
        Playthrough run = play(number, {});
        EXPECT_EQ(run.transcript, "") << number;
        EXPECT_TRUE(run.menus.empty()) << number;
    }
    // The same when the chooser answers with one.
    story_set_hooks({[] { return StateId{HIGHEST_STATE + 1}; }, nullptr});
    term_set_window({80, term_window().rows});
    EXPECT_EQ(capture_stdout([] { run_story(STATE_START); }),
              "Plötsligt vaknar du och märker att du ligger i en säng.\x1b[K");
}

} // namespace
