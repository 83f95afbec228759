// The chooser as the player meets it: what is drawn, what each key does,
// and what is left on the screen afterwards.
#include "input/key_reader.h"
#include "menu/chooser.h"
#include "menu/turn_store.h"
#include "support/stdio_redirect.h"
#include "support/utf8_text.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string HIGH = "\x1b[0;1;37;42m";
const std::string NORMAL = "\x1b[0;37;40m";
const std::string EOL = "\x1b[K";
const std::string REST = "\x1b[4C\r"; // waits on the lit label, then back to the line's start

std::string plain(char key, const std::string& label) {
    return std::string(" ") + key + ": " + label + EOL + NORMAL + "\n";
}
std::string lit(char key, const std::string& label) {
    return std::string(" ") + key + ": " + HIGH + label + EOL + NORMAL + "\n";
}

class Chooser : public testing::Test {
  protected:
    void SetUp() override {
        term_set_window({80, 0});
        paragraph_at_column(7);
        scene_begin(1);
    }
    // Runs the chooser with keys already typed; returns its result and
    // leaves what it drew in drawn.
    int run(const std::string& typed) {
        StdinPipe input;
        input.write(typed);
        input.close_writer();
        int result = -1;
        drawn = capture_stdout([&] { result = story_choose(); });
        return result;
    }
    std::string drawn;
};

TEST_F(Chooser, DrawsTheListWithTheFirstOptionLitThenBlanksIt) {
    add_option(10, "Kliva upp");
    add_option(11, "Sova");
    EXPECT_EQ(run("\n"), 10);
    EXPECT_EQ(drawn, "\n\n" + lit('1', "Kliva upp") + plain('2', "Sova") +
                         // blank: up to the first option, erase both lines, back up
                         "\x1b[A\x1b[A" + REST + EOL + "\n" + EOL + "\n" + "\x1b[A\x1b[A");
    EXPECT_EQ(paragraph_column(), 0);
    EXPECT_EQ(chooser_list().cursor_slot, 0);
}

TEST_F(Chooser, MovesRedrawJustTheTwoOptionsAndWrapAround) {
    add_option(10, "a");
    add_option(11, "b");
    add_option(12, "c");
    // Up from the first lights the third; down from the third lights the first.
    EXPECT_EQ(run("\x1b[A\x1b[B\x1b[B\n"), 11);
    std::string up3 = "\x1b[A\x1b[A\x1b[A";
    std::string list = "\n\n" + lit('1', "a") + plain('2', "b") + plain('3', "c");
    std::string up = up3 + REST + plain('1', "a") + "\x1b[B" + lit('3', "c");
    std::string down = "\x1b[A" + REST + plain('3', "c") + up3 + lit('1', "a");
    std::string down_again = "\x1b[A" + REST + plain('1', "a") + lit('2', "b");
    std::string blank = "\x1b[A" + REST + "\x1b[A" + EOL + "\n" + EOL + "\n" + EOL + "\n" + up3;
    EXPECT_EQ(drawn, list + up + down + down_again + blank);
}

TEST_F(Chooser, EveryMoveKeyMovesEveryChooseKeyChoosesAndOtherKeysDoNothing) {
    for (std::string move : {"\x1b[B", "\t", " ", "n", "N", "\x1b[1;5B"}) {
        scene_begin(1);
        add_option(10, "a");
        add_option(11, "b");
        EXPECT_EQ(run(move + "\n"), 11) << "next: " << escaped(move);
    }
    for (std::string move : {"\x1b[A", "\b", "\x7f", "b", "B", "\x1b\x1b[A"}) {
        scene_begin(1);
        add_option(10, "a");
        add_option(11, "b");
        add_option(12, "c");
        EXPECT_EQ(run(move + "\n"), 12) << "previous: " << escaped(move);
    }
    for (std::string choose : {"\n", "\r", "\x1b[C", "\x1b[1;5C"}) {
        scene_begin(1);
        add_option(10, "a");
        EXPECT_EQ(run(choose), 10) << "choose: " << escaped(choose);
    }
    // Page Down, Insert, F3 (console, application and Ctrl forms), Left,
    // Home, Delete, F12, Alt+1, Alt+Enter, Ctrl-A, Ctrl-B, Ctrl-D, NUL.
    for (std::string other :
         std::vector<std::string>{"\x1b[6~", "\x1b[2~", "\x1b[[C", "\x1bOR", "\x1b[1;5R", "\x1b[D",
                                  "\x1b[H", "\x1b[3~", "\x1b[24~", "\x1b\x31", "\x1b\n", "\x01",
                                  "\x02", "\x04", std::string(1, '\0'), "x", "0"}) {
        scene_begin(1);
        add_option(10, "a");
        add_option(11, "b");
        EXPECT_EQ(run(other + "\n"), 10) << "nothing: " << escaped(other);
        EXPECT_EQ(drawn, "\n\n" + lit('1', "a") + plain('2', "b") + "\x1b[A\x1b[A" + REST + EOL +
                             "\n" + EOL + "\n\x1b[A\x1b[A")
            << "nothing: " << escaped(other);
    }
}

TEST_F(Chooser, ASingleOptionStaysLitAndRedrawsNothing) {
    add_option(10, "a");
    EXPECT_EQ(run("\x1b[A\x1b[Bn b1"), 10);
    EXPECT_EQ(drawn, "\n\n" + lit('1', "a") + "\x1b[A" + REST + EOL + "\n" + "\x1b[A");
}

TEST_F(Chooser, ADigitChoosesAtOnceAndAMissingOneIsIgnored) {
    add_option(10, "a");
    add_option(11, "b");
    add_option(12, "c");
    EXPECT_EQ(run("\x1b[B"
                  "9"
                  "\x1b[D"
                  "3"),
              12);
}

TEST_F(Chooser, QuitKeysChooseNothing) {
    for (std::string quit : {"q", "Q", "\x1b", ""}) {
        scene_begin(1);
        add_option(10, "a");
        add_option(11, "b");
        EXPECT_EQ(run(quit), STATE_QUIT) << "quit: " << escaped(quit);
        // Nothing was selected: both options are still fresh.
        EXPECT_EQ(run("2"), 11);
        EXPECT_EQ(run("1"), 10);
    }
}

TEST_F(Chooser, LongLabelsWrapWithAnIndentAndMoveByTheirLineCount) {
    term_set_window({15, term_window().rows}); // labels get 10 columns
    add_option(10, "ett tva tre fyra fem sex");
    add_option(11, "b");
    EXPECT_EQ(run("\x1b[B\n"), 11);
    std::string list = "\n\n 1: " + HIGH + "ett tva" + EOL + NORMAL + "\n    " + HIGH + "tre fyra" +
                       EOL + NORMAL + "\n    " + HIGH + "fem sex" + EOL + NORMAL + "\n" +
                       plain('2', "b");
    std::string move = "\x1b[A\x1b[3A" + REST + " 1: ett tva" + EOL + NORMAL + "\n    tre fyra" +
                       EOL + NORMAL + "\n    fem sex" + EOL + NORMAL + "\n" + lit('2', "b");
    std::string blank = "\x1b[A" + REST + "\x1b[3A" + EOL + "\n" + EOL + "\n" + EOL + "\n" + EOL +
                        "\n" + "\x1b[A\x1b[3A";
    EXPECT_EQ(drawn, list + move + blank);
}

TEST_F(Chooser, AWordWiderThanTheLineIsCutWithoutSplittingALetter) {
    term_set_window({9, term_window().rows}); // labels get 4 columns
    add_option(10, "åäöåäö");
    EXPECT_EQ(run("1"), 10);
    std::string list =
        "\n\n 1: " + HIGH + "åäöå" + EOL + NORMAL + "\n    " + HIGH + "äö" + EOL + NORMAL + "\n";
    EXPECT_EQ(drawn.substr(0, list.size()), list);
    term_set_window(
        {30, term_window().rows}); // the room's label fills the 25 columns of its first line
    add_option(11, "Klättra ut genom fönstret (eftersom det inte finns någon dörr)");
    EXPECT_EQ(run("1"), 11);
    EXPECT_NE(drawn.find(HIGH + "Klättra ut genom fönstret" + EOL), std::string::npos);
}

// Five columns: a line of the prefix and one letter fills the last cell,
// where an erase would take the letter with it, so none is written.
TEST_F(Chooser, ALabelLineThatFillsTheLastCellIsNotErased) {
    term_set_window({5, term_window().rows});
    add_option(10, "åb");
    EXPECT_EQ(run("1"), 10);
    std::string list = "\n\n 1: " + HIGH + "å" + NORMAL + "\n    " + HIGH + "b" + NORMAL + "\n";
    EXPECT_EQ(drawn.substr(0, list.size()), list);
}

// Four options in a window that just holds them, then in one a row short: a
// view of whole options with marker lines, moved and drawn again in place as
// the highlight passes its edge, either way and round the ends.
TEST_F(Chooser, AListTallerThanTheWindowShowsAViewThatFollowsTheHighlight) {
    term_set_window({16, term_window().rows}); // "   ↓ 2 val till" takes 15 columns: its words stay
    for (int option = 0; option < 4; option++)
        add_option(10 + option, &"a\0b\0c\0d"[2 * option]);
    std::string up3 = "\x1b[A\x1b[A\x1b[A", clear = "\x1b[J", more = " 2 val till" + EOL + "\n";
    std::string top = lit('1', "a") + plain('2', "b") + "   ↓" + more;
    term_set_window({term_window().columns, 5});
    EXPECT_EQ(run("q"), STATE_QUIT);
    std::string whole = lit('1', "a") + plain('2', "b") + plain('3', "c") + plain('4', "d");
    EXPECT_EQ(drawn.find("\n\n" + whole + up3 + "\x1b[A"), 0u);
    term_set_window({term_window().columns, 4});
    EXPECT_EQ(run("\x1b[B\x1b[B\x1b[B\x1b[B\x1b[A\x1b[A\x1b[A3"), 12);
    std::string expected = "\n\n" + top + up3 + REST + plain('1', "a") + lit('2', "b");
    expected +=
        "\x1b[A" + REST + "\x1b[A" + clear + "   ↑" + more + lit('3', "c") + plain('4', "d");
    expected += "\x1b[A\x1b[A" + REST + plain('3', "c") + lit('4', "d");
    expected += "\x1b[A" + REST + "\x1b[A\x1b[A" + clear + top; // round to the first
    expected +=
        up3 + REST + clear + "   ↑" + more + plain('3', "c") + lit('4', "d"); // and to the last
    expected += "\x1b[A" + REST + plain('4', "d") + "\x1b[A\x1b[A" + lit('3', "c");
    expected +=
        "\x1b[A" + REST + "\x1b[A" + clear + plain('1', "a") + lit('2', "b") + "   ↓" + more;
    // "3" chooses the hidden option, and the view's lines are blanked.
    EXPECT_EQ(drawn, expected + "\x1b[A\x1b[A" + REST + "\x1b[A" + EOL + "\n" + EOL + "\n" + EOL +
                         "\n" + up3);
}

// At eight columns and four rows, an option taller than the window is cut
// below the marker above it, and the markers say only the count.
TEST_F(Chooser, AnOptionTallerThanTheWindowIsCutAndNarrowMarkersDropTheirWords) {
    term_set_window({8, 4}); // labels get 3 columns
    add_option(10, "a");
    add_option(11, "ett tva tre");
    add_option(12, "c");
    EXPECT_EQ(run("\x1b[B\n"), 11);
    EXPECT_NE(drawn.find("\x1b[J   ↑ 1" + EOL + "\n 2: " + HIGH + "ett" + EOL + NORMAL +
                         "\n   ↓ 1" + EOL + "\n\x1b[A"),
              std::string::npos);
    scene_begin(1); // At 2 columns the key alone, the markers without spaces, nothing erased.
    term_set_window({2, 4});
    for (const char* label : {"a", "ett tva tre", "c"})
        add_option(11, label);
    EXPECT_EQ(run("\x1b[B\n"), 11);
    EXPECT_NE(drawn.find("\x1b[J↑1\n2" + HIGH + "e" + NORMAL + "\n↓1\n\x1b[A"), std::string::npos);
}

TEST_F(Chooser, AnEmptyMenuDrawsNothingAndQuits) {
    EXPECT_EQ(run("1"), STATE_QUIT);
    EXPECT_EQ(drawn, "");
}

TEST_F(Chooser, ListsAtMostTwentyOptionsAndFixedKeysComeFirst) {
    static const std::vector<std::string> labels = [] {
        std::vector<std::string> all;
        for (int i = 0; i < 25; i++)
            all.push_back("option " + std::to_string(i));
        return all;
    }();
    for (int i = 0; i < 25; i++)
        add_option(10 + i, labels[i].c_str());
    // "D" is the twentieth option's key; "B", the eighteenth's, moves back.
    EXPECT_EQ(run("D"), 29);
    EXPECT_EQ(chooser_list().slot_count, MENU_MAX_OPTIONS);
    EXPECT_EQ(drawn.find("option 20"), std::string::npos);
    EXPECT_NE(drawn.find(" D: option 19"), std::string::npos);
    // The chosen option is gone; "B" lights the last of the twenty listed now.
    EXPECT_EQ(run("B\n"), 30);
}

TEST(TurnStoreTest, StorySceneFlowsAsOneParagraphUntilTheNext) {
    std::string out = written(20, 0, [] {
        story_paragraph();
        story_say("Du står i ett litet rum.");
        story_say("Ett hav.");
        story_paragraph();
        story_say("Slut.");
    });
    EXPECT_EQ(out, "  Du står i ett" + EOL + "\nlitet rum." + EOL + " Ett hav." + EOL +
                       "\n  Slut." + EOL);
    EXPECT_EQ(paragraph_column(), 7);
}

// Earlier turns oldest first, as many whole ones as the budget holds.
TEST(TurnStoreTest, ReplayWritesTheRememberedTurnsWithinTheBudget) {
    std::string a(8000, 'a'), b(8000, 'b'), c(SAID_BUDGET - 16000, 'c');
    written(20000, 0, [&] {
        story_say(std::string(SAID_BUDGET, 'x').c_str()); // fills the budget alone
        for (const std::string* text : {&a, &b, &c}) {
            end_turn();
            story_say(text->c_str());
        }
    });
    auto replayed = [] { return written(20000, 5, [] { replay_turns(); }); };
    EXPECT_EQ(replayed(), a + EOL + "\n\n" + b + EOL + "\n\n" + c + EOL);
    written(20000, 0, [] { story_say("d"); });
    EXPECT_EQ(replayed(), b + EOL + "\n\n" + c + EOL + " d" + EOL);
}

} // namespace
