// The game in a real xterm: keys as xterm sends them, and the screen as
// xterm shows it, colours and all. What a pseudo-terminal's bytes cannot
// show: how xterm treats the margin, the colours and the cursor.
#include "xterm/xterm_session.h"

#include "support/pty_game.h"
#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The highlight attribute is bright white on green; the game's own text is
// grey on black.
constexpr int HIGHLIGHT_BACKGROUND = 42;
constexpr int GREY_FOREGROUND = 37;
constexpr int BLACK_BACKGROUND = 40;

// An option's first line on the screen; a label wider than 40 columns (as
// the room's second) is known by its first words.
std::string option_text(size_t index, const std::string& label) {
    std::string shown = label.size() > 24 ? label.substr(0, label.find(' ', 8)) : label;
    return std::string(" ").append(std::to_string(index + 1)).append(": ").append(shown);
}

// The index of the one highlighted option of the menu listed from row
// `from` on; -1 when an option is missing or not exactly one is
// highlighted.
int highlighted_option(const Screen& screen, const std::vector<std::string>& labels, int from = 0) {
    int highlighted = -1;
    for (size_t i = 0; i < labels.size(); i++) {
        int row = screen.find(option_text(i, labels[i]), from);
        if (row < 0)
            return -1;
        if (any_cell_has(screen.cells_of(row, labels[i]), HIGHLIGHT_BACKGROUND)) {
            if (highlighted >= 0 ||
                !all_cells_have(screen.cells_of(row, labels[i]), HIGHLIGHT_BACKGROUND))
                return -1;
            highlighted = static_cast<int>(i);
        }
    }
    return highlighted;
}

auto shows_highlight(const std::vector<std::string>& labels, int index) {
    return [&labels, index](const Screen& screen) {
        return highlighted_option(screen, labels, 0) == index;
    };
}

// Presses a key and waits until the game has read it and waits for the
// next one (true) or has ended (false).
bool game_survives_key(XtermSession& xterm, pid_t game, const std::string& name) {
    long long before = process_io(game).read;
    xterm.key(name);
    double deadline = now_ms() + 5000;
    while (now_ms() < deadline) {
        if (has_ended(game))
            return false;
        ProcessIo io = process_io(game);
        if (io.read > before && proc_in_input_wait(game) > 0 && process_io(game) == io)
            return true;
        usleep(2000);
    }
    ADD_FAILURE() << "the game did not read " << name;
    return true;
}

// The options on the screen, by their keys: in order, none twice, and
// exactly one highlighted.
bool menu_is_whole(const Screen& screen) {
    std::string keys;
    int lit = 0;
    for (int row = 0; row < static_cast<int>(screen.rows.size()); row++) {
        std::string text = screen.text(row);
        if (text.size() > 4 && text[0] == ' ' && text.compare(2, 2, ": ") == 0) {
            keys += text[1];
            lit += any_cell_has(screen.cells_of(row, text.substr(4)), HIGHLIGHT_BACKGROUND);
        }
    }
    for (size_t i = 1; i < keys.size(); i++)
        if (keys[i] != keys[i - 1] + 1)
            return false;
    return lit == 1;
}

auto shows_text(const std::string& needle) {
    return [needle](const Screen& screen) { return screen.find(needle) >= 0; };
}

auto shows_line(const std::string& line) {
    return [line](const Screen& screen) { return screen.find_last_line(line) >= 0; };
}

class Xterm : public testing::Test {
  protected:
    void SetUp() override {
        std::string missing = xterm_missing_tool();
        if (!missing.empty())
            GTEST_SKIP() << missing << " is missing: the real-terminal tests need xterm, Xvfb "
                         << "(package xvfb) and xdotool";
    }

    void start(const std::vector<std::string>& command, const XtermOptions& options = {}) {
        xterm_ = std::make_unique<XtermSession>(command, options);
        ASSERT_TRUE(xterm_->started());
    }

    // Prints xterm's screen into screen_ until it satisfies the condition.
    bool shows(const std::function<bool(const Screen&)>& condition) {
        return xterm_->wait_for(condition, &screen_);
    }

    std::unique_ptr<XtermSession> xterm_;
    Screen screen_;
};

TEST_F(Xterm, KeysWithoutAMeaningLeaveTheGameAndItsHighlightAndCtrlUpAndBackspaceMoveIt) {
    ASSERT_NO_FATAL_FAILURE(start({VAKNA_BINARY}));
    ASSERT_TRUE(shows(shows_highlight(BED_MENU, 0))) << screen_.dump();
    pid_t game = xterm_->find_process(VAKNA_BINARY);
    ASSERT_GT(game, 0);

    for (const char* name : {"F1", "Home", "End", "F5", "F12", "shift+Tab", "alt+1", "Next", "F3",
                             "Insert", "ctrl+a", "ctrl+b", "ctrl+d"}) {
        ASSERT_TRUE(game_survives_key(*xterm_, game, name)) << name << " ended the game";
        screen_ = xterm_->print();
        EXPECT_EQ(highlighted_option(screen_, BED_MENU), 0) << "after " << name << ":\n"
                                                            << screen_.dump();
    }
    const int last = static_cast<int>(BED_MENU.size()) - 1;
    xterm_->key("ctrl+Up");
    EXPECT_TRUE(shows(shows_highlight(BED_MENU, last)))
        << "Ctrl+Up moves the highlight up, round to the last option:\n"
        << screen_.dump();
    for (int lit = last - 1; lit >= 0; lit--) {
        xterm_->key("BackSpace");
        EXPECT_TRUE(shows(shows_highlight(BED_MENU, lit))) << screen_.dump();
    }
    xterm_->key("Return");
    EXPECT_TRUE(shows(shows_highlight(ROOM_MENU, 0)))
        << "Enter chooses \"" << BED_MENU[0] << "\":\n"
        << screen_.dump();
    EXPECT_EQ(screen_.find(first_words(SLEEP_TEXT, 2)), -1);
}

// xterm keeps the cursor on the last cell of a line that ends at the right
// margin until the next character; an erase written then erases that cell.
TEST_F(Xterm, AParagraphLineThatEndsAtTheRightMarginKeepsItsLastCharacter) {
    XtermOptions narrow;
    narrow.columns = 26;
    ASSERT_NO_FATAL_FAILURE(start({VAKNA_BINARY}, narrow));
    ASSERT_TRUE(shows(shows_highlight(BED_MENU, 0))) << screen_.dump();
    xterm_->key("1");
    ASSERT_TRUE(shows(shows_text(option_text(0, ROOM_MENU[0])))) << screen_.dump();
    xterm_->key("2");
    ASSERT_TRUE(shows(shows_text(option_text(number_in(WINDOW_MENU, BACK_IN) - 1, BACK_IN))))
        << screen_.dump();

    std::string whole;
    for (const std::string& text : says("SHOW_WINDOW"))
        whole += (whole.empty() ? "" : " ") + text;
    int first = screen_.find(first_words(whole, 3));
    int last = screen_.find(whole.substr(whole.rfind(' ') + 1), first);
    ASSERT_GE(first, 0) << screen_.dump();
    ASSERT_GE(last, 0) << screen_.dump();
    std::string paragraph = screen_.text(first);
    for (int row = first + 1; row <= last; row++)
        paragraph.append(" ").append(screen_.text(row));
    EXPECT_EQ(paragraph, whole) << screen_.dump();
}

TEST_F(Xterm, WhatTheShellWritesAfterTheGameHasTheTerminalsOwnColours) {
    XtermOptions held;
    held.hold = true;
    ASSERT_NO_FATAL_FAILURE(start({"bash", "-c", "\"$0\"; echo AFTER", VAKNA_BINARY}, held));
    ASSERT_TRUE(shows(shows_highlight(BED_MENU, 0))) << screen_.dump();
    xterm_->key("q");
    ASSERT_TRUE(shows(shows_line("AFTER"))) << screen_.dump();

    std::vector<ShownCell> after = screen_.cells_of(screen_.find_last_line("AFTER"), "AFTER");
    EXPECT_FALSE(any_cell_has(after, GREY_FOREGROUND) || any_cell_has(after, BLACK_BACKGROUND))
        << "the shell's text is still grey on black";
}

TEST_F(Xterm, AfterAContinueTheNextKeyDrawsTheWholeMenuBelowTheShellsLines) {
    XtermOptions shell;
    shell.environment = {"PS1=$ ", "HISTFILE="};
    ASSERT_NO_FATAL_FAILURE(start({"bash", "--norc", "--noprofile", "-i"}, shell));
    ASSERT_TRUE(shows(shows_line("$"))) << screen_.dump();
    xterm_->type(VAKNA_BINARY);
    xterm_->key("Return");
    ASSERT_TRUE(shows(shows_highlight(BED_MENU, 0))) << screen_.dump();
    pid_t game = xterm_->find_process(VAKNA_BINARY);
    ASSERT_GT(game, 0);

    xterm_->key("ctrl+z");
    ASSERT_TRUE(shows(shows_text("Stopped"))) << screen_.dump();
    EXPECT_TRUE(shows(shows_highlight(BED_MENU, -1))) << "no option lit:\n" << screen_.dump();
    xterm_->type("fg");
    xterm_->key("Return");
    // The shell gives back its line mode before it continues the job; a key
    // pressed before the game has taken its own mode again would be echoed.
    ASSERT_TRUE(eventually([&] {
        termios mode{};
        winsize size{};
        return proc_state(game) != 'T' && process_terminal(game, &mode, &size) &&
               (mode.c_lflag & (ICANON | ECHO)) == 0;
    })) << "the game did not take its keyboard mode again";
    xterm_->key("Down");
    EXPECT_TRUE(shows([](const Screen& s) {
        int shell = s.find_last_line("$ fg");
        return shell >= 0 && s.count(option_text(0, BED_MENU[0]), shell) == 1 &&
               s.count(option_text(1, BED_MENU[1]), shell) == 1 &&
               highlighted_option(s, BED_MENU, shell) == 1;
    })) << "below the shell's \"$ fg\", the whole menu once, the second highlighted:\n"
        << screen_.dump();

    xterm_->key("q");
    // Keys typed while the game ends are discarded with a paste's rest.
    ASSERT_TRUE(eventually([&] { return has_ended(game); }));
    xterm_->type("echo DONE$((6*7))");
    xterm_->key("Return");
    EXPECT_TRUE(shows(shows_line("DONE42"))) << "the shell has its terminal back:\n"
                                             << screen_.dump();
}

// A window that grows shows its scrollback, an old list among it, at the top.
TEST_F(Xterm, AfterNewSizesOfTheWindowTheMenuStandsOnceWithOneHighlight) {
    ASSERT_NO_FATAL_FAILURE(start({VAKNA_BINARY}));
    ASSERT_TRUE(shows(shows_highlight(BED_MENU, 0))) << screen_.dump();
    xterm_->key("1");
    ASSERT_TRUE(shows(shows_highlight(ROOM_MENU, 0))) << screen_.dump();
    pid_t game = xterm_->find_process(VAKNA_BINARY);
    ASSERT_GT(game, 0);

    for (auto [columns, rows] : {std::pair{30, 24}, {80, 5}, {80, 24}}) {
        xterm_->resize(columns, rows);
        ASSERT_TRUE(eventually([&] {
            termios mode{};
            winsize size{};
            return process_terminal(game, &mode, &size) && size.ws_col == columns &&
                   size.ws_row == rows;
        })) << "the window did not take "
            << columns << "x" << rows;
    }
    xterm_->key("Down");
    EXPECT_TRUE(shows([](const Screen& s) {
        for (size_t i = 0; i < ROOM_MENU.size(); i++)
            if (s.count(option_text(i, ROOM_MENU[i])) != 1)
                return false;
        return highlighted_option(s, ROOM_MENU) == 1;
    })) << "every option once, the second highlighted:\n"
        << screen_.dump();
}

// Through the room and round the lake's six options, in short windows.
TEST_F(Xterm, EveryKeyOfAPlayedSceneLeavesTheMenuWholeInShortWindows) {
    for (auto [columns, rows] : {std::pair{80, 5}, std::pair{30, 8}}) {
        ASSERT_NO_FATAL_FAILURE(start({VAKNA_BINARY}, {columns, rows, false, {}}));
        ASSERT_TRUE(shows(menu_is_whole)) << screen_.dump();
        pid_t game = xterm_->find_process(VAKNA_BINARY);
        for (const char* key : {"1", "Down", "3", "2", "Down", "Down", "Down", "Down", "Down",
                                "Down", "Up", "Up", "Up", "5"}) {
            ASSERT_TRUE(game_survives_key(*xterm_, game, key)) << key;
            EXPECT_TRUE(shows(menu_is_whole))
                << columns << "x" << rows << ", after " << key << ":\n"
                << screen_.dump();
        }
    }
}

} // namespace
