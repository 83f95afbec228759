// The command line, and the plain mode for screen readers, dumb terminals
// and scripts: no escape byte, numbers typed with Enter.
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string ESC = "\x1b";
const std::string BED_PROMPT =
    "Välj 1 till " + std::to_string(BED_MENU.size()) + ", eller q för att sluta: ";
// The bed's turn in the plain mode: its text, its options, the prompt.
const std::string BED = [] {
    std::string turn = BED_TEXT + "\r\n\r\n";
    for (size_t i = 0; i < BED_MENU.size(); i++)
        turn += " " + std::to_string(i + 1) + ": " + BED_MENU[i] + "\r\n";
    return turn + BED_PROMPT;
}();
const std::string WRONG =
    "Skriv en siffra från 1 till " + std::to_string(BED_MENU.size()) + ", eller q.\r\n";

TEST(CommandLine, AnswersOnItsOwnStreamWithoutTouchingTheTerminal) {
    const std::string usage = "Try 'vakna --help'.\r\n";
    std::string sixty_letters;
    for (int i = 0; i < 60; i++)
        sixty_letters += "ö";
    for (auto [argument, status, said] : {
             std::tuple{std::string("--help"), 0, std::string("Usage: vakna [OPTION]\r\n")},
             {"-h", 0, "-h, --help     show this help and exit\r\n"},
             {"-h", 0,
              "round the list from either\r\nend; Enter, Right or an option's digit "
              "chooses; Left does nothing;\r\n"},
             {"-h", 0, "man vakna once installed, man ./docs/vakna.6 in the source.\r\n"},
             {"--version", 0, "vakna 1.0.0\r\n"},
             {"-V", 0, "vakna 1.0.0\r\n"},
             {"--bogus", 2, "vakna: unrecognized option '--bogus'\r\n" + usage},
             {"junk", 2, "vakna: unexpected argument 'junk'\r\n" + usage},
             {"\"$(printf '\\033]2;\\a\\\\\\302\\233\\233\\303 å')\"", 2,
              "argument '\\x1b]2;\\x07\\\\\\xc2\\x9b\\x9b\\xc3 å'\r\n"},
             {sixty_letters + "ö", 2, "'" + sixty_letters + "...'\r\n"},
         }) {
        std::string other_stream = status == 0 ? " 2>/dev/null" : " >/dev/null";
        PtyGame game(
            {"/bin/sh", "-c", std::string("exec ") + VAKNA_BINARY + " " + argument + other_stream});
        int ended = game.wait_exit();
        std::string out = game.read_for(0);
        EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == status) << argument;
        EXPECT_NE(out.find(said), std::string::npos) << escaped(out);
        EXPECT_LE(std::count(out.begin(), out.end(), '\n'), 24) << escaped(out); // one screen
        EXPECT_EQ(out.find(ESC), std::string::npos) << escaped(out);
        EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
    }
}

TEST(Plain, ATerminalOfTypeDumbGetsTypedAnswersInItsOwnLineEditing) {
    PtyGame game({"/usr/bin/env", "TERM=dumb", VAKNA_BINARY});
    EXPECT_EQ(game.read_until("sluta: "), BED);
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
    game.send("x\n");
    EXPECT_EQ(game.read_until("sluta: "), "x\r\n" + WRONG + BED_PROMPT);
    game.send("\n");
    EXPECT_EQ(game.read_until("sluta: "), "\r\n\r\n" + BED.substr(BED.find(" 1:")));
    game.send(" 2 \n");
    EXPECT_EQ(game.read_until(SLEEP_TEXT), " 2 \r\n> " + SLEEP + "\r\n" + SLEEP_TEXT);
    game.send("\x04"); // the end of input
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_EQ(game.transcript().find(ESC), std::string::npos);

    // With echo off, as in an editor's shell buffer, the editor ends the
    // answer's line: the game adds none. An ESC is a byte of a wrong answer.
    PtyGame quiet({"/bin/sh", "-c", std::string("stty -echo; exec ") + VAKNA_BINARY + " -p"});
    quiet.read_until("sluta: ");
    quiet.send("\x1b\n");
    EXPECT_EQ(quiet.read_until("sluta: "), WRONG + BED_PROMPT);
    quiet.send("1\n");
    EXPECT_EQ(quiet.read_until(GET_UP + "\r\n"), "> " + GET_UP + "\r\n");
}

TEST(Plain, PlaysFromAPipeOneAnswerALineAndEndsInOrderOnASignal) {
    // Blanks after an answer count for nothing, whatever their number; an
    // ESC makes a wrong answer; a last answer without its line feed counts.
    int status = -1;
    std::string out =
        output_of("printf '\\n2        \\n\\33\\n9\\n1' | " VAKNA_BINARY " --plain", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find(": \n\n 1: " + GET_UP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find(": \n> " + SLEEP + "\n" + SLEEP_TEXT), std::string::npos) << escaped(out);
    EXPECT_NE(out.find(": \n" + WRONG.substr(0, WRONG.size() - 2) + "\n"), std::string::npos);
    EXPECT_NE(out.find(": \n> " + GET_UP + "\n" + says("SHOW_ROOM").at(0)), std::string::npos)
        << escaped(out);
    EXPECT_EQ(out.find(ESC), std::string::npos) << escaped(out);

    // Ctrl-\'s status 131 reads as an ordinary one to the shell, which then
    // begins no line of its own: the game ends the prompt's line. A signal
    // ignored when the game starts (nohup's SIGHUP, the interrupts of a
    // script's background job) stays ignored: the game plays on.
    for (auto [signal_number, ignored, after_prompt] : {std::tuple{SIGTERM, "", ""},
                                                        {SIGQUIT, "", "\r\n"},
                                                        {SIGHUP, "HUP", "q\r\n"},
                                                        {SIGINT, "INT", "q\r\n"}}) {
        PtyGame game({"/bin/sh", "-c",
                      "trap '' " + std::string(ignored) + "; exec " + VAKNA_BINARY + " -p"});
        game.read_until("sluta: ");
        game.signal(signal_number);
        if (*ignored)
            game.send("q\n");
        int status = game.wait_exit();
        EXPECT_TRUE(*ignored ? status == 0 : ended_by(status, signal_number)) << status;
        EXPECT_EQ(game.read_for(0), after_prompt);
    }

    // From a file each game takes only the answers it uses and leaves the
    // rest to the next program, in either mode.
    char answers[] = "/tmp/vakna-answers-XXXXXX";
    close(mkstemp(answers));
    out = output_of("printf '1\\nq\\n2\\nq\\n1qrest' > " + std::string(answers) + "; { " +
                        VAKNA_BINARY + " -p; " + VAKNA_BINARY + " -p; " + VAKNA_BINARY +
                        "; cat; } < " + answers,
                    &status);
    EXPECT_EQ(status, 0);
    unlink(answers);
    EXPECT_NE(out.find("> " + GET_UP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find("> " + SLEEP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find(says("SHOW_ROOM").at(0), out.find(ESC)), std::string::npos) << escaped(out);
    EXPECT_EQ(out.substr(out.size() - 4), "rest") << escaped(out);
}

// The story's lines of a transcript: without escape sequences, and without
// the lists, prompts, answers and empty lines around them.
std::vector<std::string> story_lines(const std::string& transcript) {
    auto told = [](const std::string& line) {
        return line.find_first_of(":>") > 3 && line.find_first_not_of(" \r") < 4 &&
               line.rfind("Välj", 0) != 0;
    };
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < transcript.size(); i++) {
        if (transcript[i] == '\x1b')
            i = std::min(transcript.find_first_of("ABHJKm", i), transcript.size());
        else if (transcript[i] != '\n')
            lines.back() += transcript[i];
        else if (told(lines.back())) {
            // Where the full mode's erase covers a line's last blank.
            lines.back().erase(lines.back().find_last_not_of(" \r") + 1);
            lines.emplace_back();
        } else
            lines.back().clear();
    }
    return lines;
}

TEST(Plain, PlaysToTheFinaleAndToADeathWithTheTextsOfTheFullMode) {
    PtyGame full, plain({VAKNA_BINARY, "--plain"});
    for (PtyGame* game : {&full, &plain}) {
        for (const std::string& label :
             concat({ROAD_TO_THE_FINALE, {PLAY_AGAIN}, ROAD_TO_THE_ICE_GIANT, {DECLINE_TO_GO_ON}}))
            ASSERT_NE(game->choose(label), 0) << label;
        EXPECT_EQ(game->wait_exit(), 0);
        game->read_for(0);
    }
    EXPECT_EQ(plain.transcript().find(ESC), std::string::npos);
    EXPECT_EQ(plain.transcript().find(" \r\n"), std::string::npos) << "a line ends in a blank";
    EXPECT_NE(plain.transcript().find("Du har härmed klarat del:1 av spel:1."), std::string::npos);
    EXPECT_NE(plain.transcript().find("Du är DÖD nu."), std::string::npos);
    EXPECT_EQ(story_lines(plain.transcript()), story_lines(full.transcript()));
}

} // namespace
