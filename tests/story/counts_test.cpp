// The two counts: holes drilled (eight or more drown the player) and laps
// walked, kept as decimal text.
#include "scripted_player.h"

#include "story/story.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

const std::string TWO = "Borra två hål";
const std::string THREE = "Borra tre hål";
const Labels WINDOW_AFTER_DRILLING = {"Gå ett varv runt sjön",
                                      "Gå två varv runt sjön",
                                      "Gå tre varv runt sjön",
                                      "Gå in genom fönstret",
                                      "Borra två hål",
                                      "Borra tre hål",
                                      "Räkna hålen",
                                      "Kliva ner i det roligaste hålet",
                                      "Kliva ner i det tråkigaste hålet"};
const std::string DROWNING = "Isen brister och du sjunker till botten. "
                             "Du ligger där tills att du märker att du har drunknat. "
                             "Du är DÖD nu.";

TEST(Holes, TwoTwoTwoCountsSixThenAFourthDrillingDrowns) {
    Playthrough run =
        play(STATE_START, concat({ROAD_TO_THE_WINDOW, {TWO, TWO, TWO, "Räkna hålen"}}));
    EXPECT_TRUE(contains(run.transcript, "Du räknar hålen: det är 6 stycken.\n"));
    for (size_t menu = 4; menu <= 7; menu++) // the hole options once each
        EXPECT_EQ(run.menus[menu], WINDOW_AFTER_DRILLING);

    run = play(STATE_START, concat({ROAD_TO_THE_WINDOW, {TWO, TWO, TWO, TWO}}));
    EXPECT_TRUE(
        contains(run.transcript, turn("Du borrar två hål (ett roligt, ett tråkigt). " + DROWNING,
                                      DEATH, "(quit)")));
    EXPECT_STREQ(holes_text, "8");
    EXPECT_TRUE(story_flags.drowned);
}

TEST(Holes, TwoTwoThreeMakesSevenAndSurvivesUntilTheNextDrilling) {
    Playthrough run =
        play(STATE_START, concat({ROAD_TO_THE_WINDOW, {TWO, TWO, THREE, "Räkna hålen"}}));
    EXPECT_EQ(run.menus.back(), WINDOW_AFTER_DRILLING);
    EXPECT_TRUE(contains(run.transcript, "Du räknar hålen: det är 7 stycken.\n"));
    EXPECT_FALSE(story_flags.drowned);

    run = play(STATE_START, concat({ROAD_TO_THE_WINDOW, {TWO, TWO, THREE, TWO}}));
    EXPECT_TRUE(contains(run.transcript, DROWNING));
    EXPECT_STREQ(holes_text, "9");
}

TEST(Holes, ThreeThreeThenAnyDrillingDrowns) {
    const std::pair<std::string, std::string> thirds[] = {
        {TWO, "Du borrar två hål (ett roligt, ett tråkigt). "},
        {THREE, "Du borrar tre hål (ett roligt, ett tråkigt och ett roligt). "}};
    for (const auto& [third, said] : thirds) {
        Playthrough run = play(STATE_START, concat({ROAD_TO_THE_WINDOW, {THREE, THREE, third}}));
        EXPECT_TRUE(contains(run.transcript, "\n" + said + DROWNING));
        EXPECT_EQ(run.menus.back(), DEATH);
        EXPECT_STREQ(holes_text, third == TWO ? "8" : "9");
    }
}

TEST(Holes, GoingBackToBedStartsTheHolesAgainButKeepsTheLaps) {
    Playthrough run = play(
        STATE_START,
        concat({ROAD_TO_THE_WINDOW,
                {THREE, THREE, "Gå ett varv runt sjön", "Gå in genom fönstret", "Lägga dig",
                 "Kliva upp", OUT_OF_THE_WINDOW, THREE, "Räkna hålen", "Gå två varv runt sjön"}}));
    EXPECT_TRUE(contains(run.transcript, "\nDu går och lägger dig igen. Plötsligt vaknar du och "
                                         "märker att du ligger i en säng.\n"));
    EXPECT_TRUE(contains(run.transcript, "Du räknar hålen: det är 3 stycken.\n"));
    EXPECT_TRUE(contains(run.transcript, "Du har nu gått 3 varv runt sjön.\n"));
    EXPECT_FALSE(story_flags.drowned);
}

TEST(Laps, EachWalkSaysTheCountInTheSameParagraphAndStaysOffered) {
    Playthrough run = play(STATE_START, {"Kliva upp", OUT_OF_THE_WINDOW, "Gå två varv runt sjön",
                                         "Gå tre varv runt sjön"});
    const Labels walks = {"Gå ett varv runt sjön", "Gå två varv runt sjön", "Gå tre varv runt sjön",
                          "Gå in genom fönstret"};
    EXPECT_TRUE(contains(
        run.transcript,
        turn("\nDu går två varv runt sjön. Du har nu gått 2 varv runt sjön.", walks,
             "Gå tre varv runt sjön") +
            turn("Du går tre varv runt sjön. Du har nu gått 5 varv runt sjön.", walks, "(quit)")));
    EXPECT_EQ(laps_text, laps_buffer);
}

TEST(Laps, CountStopsAtTheLargestIntInsteadOfOverflowing) {
    laps_text = "2147483645"; // as after some 700 million walks
    Playthrough run = play(41, {"Gå tre varv runt sjön", "Gå ett varv runt sjön"});
    EXPECT_TRUE(contains(run.transcript, "Du har nu gått 2147483647 varv runt sjön.\n[Gå"));
    EXPECT_STREQ(laps_text, "2147483647");
    EXPECT_EQ(run.unused_choices, 0u);
}

TEST(Counters, FormatWritesDecimalTextOfAnyInt) {
    char buffer[COUNTER_BUFFER_SIZE];
    const std::pair<int, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {-1, "-1"},
        {1234567890, "1234567890"},
        {INT_MAX, "2147483647"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& [value, text] : cases) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(counter_format(buffer, value), buffer);
        EXPECT_STREQ(buffer, text);
        EXPECT_EQ(counter_value(buffer), value);
    }
}

TEST(Counters, ValueReadsAsAtoiDoesAndClampsWhatIntCannotHold) {
    EXPECT_EQ(counter_value(nullptr), 0);
    EXPECT_EQ(counter_value(""), 0);
    EXPECT_EQ(counter_value(" \t\n+42 laps"), 42);
    EXPECT_EQ(counter_value("-17x"), -17);
    EXPECT_EQ(counter_value("x17"), 0);
    EXPECT_EQ(counter_value("- 5"), 0);
    EXPECT_EQ(counter_value("99999999999999999999"), INT_MAX);
    EXPECT_EQ(counter_value("-2147483649"), INT_MIN);
}

TEST(Counters, AddSaturatesAtBothEnds) {
    char buffer[COUNTER_BUFFER_SIZE];
    EXPECT_STREQ(counter_add(nullptr, buffer, 3), "3");
    EXPECT_STREQ(counter_add("2147483646", buffer, 3), "2147483647");
    EXPECT_STREQ(counter_add("-2147483647", buffer, -5), "-2147483648");
    EXPECT_STREQ(counter_add("-10", buffer, 3), "-7");
}

} // namespace
