// The command line, and the plain mode for screen readers, dumb terminals
// and scripts: no escape byte, numbers typed with Enter.
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
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

// A row of the command line's table: what the game is given, under which
// locale, and what it answers.
struct Answer {
    std::string argument;
    int status;
    std::string said;
    std::string locale = "LANGUAGE= LC_ALL=C.UTF-8";
};

TEST(CommandLine, AnswersOnItsOwnStreamWithoutTouchingTheTerminal) {
    const std::string usage = "Try 'vakna --help'.\r\n";
    const std::string swedish = "LANGUAGE= LC_ALL=sv_SE.UTF-8";
    locale_t sv_se = newlocale(LC_MESSAGES_MASK, "sv_SE.UTF-8", nullptr);
    bool has_swedish = sv_se != nullptr;
    if (has_swedish)
        freelocale(sv_se);
    if (!has_swedish)
        std::printf("Swedish rows skipped: no sv_SE.UTF-8 locale (Debian: locale-gen)\n");
    std::string sixty_letters;
    for (int i = 0; i < 60; i++)
        sixty_letters += "ö";
    for (auto [argument, status, said, locale] : std::initializer_list<Answer>{
             {"--help", 0, "Usage: vakna [OPTION]\r\n"},
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
             {"\"$(printf '\\342\\200\\256e\\342\\200\\215\\342\\201\\251')\"", 2,
              "'\\xe2\\x80\\xaee\xe2\x80\x8d\\xe2\\x81\\xa9'\r\n"},
             {sixty_letters + "ö", 2, "'" + sixty_letters + "...'\r\n"},
             // The C locale speaks English whatever LANGUAGE asks for.
             {"--hjälp", 2, "vakna: unrecognized option '--hjälp'\r\n" + usage,
              "LANGUAGE=sv LC_ALL=C"},
             {"--help", 0, "Användning: vakna [FLAGGA]\r\n", swedish},
             {"-h", 0, "man ./docs/vakna.sv.6 i\r\nkällkoden.\r\n", swedish},
             // In UTF-8 under a character type without it.
             {"--hjälp", 2, "vakna: okänd flagga '--hjälp'\r\nFörsök med 'vakna --help'.\r\n",
              "LANGUAGE= LC_ALL= LC_CTYPE=C LC_MESSAGES=sv_SE.UTF-8"},
             {"junk", 2, "vakna: oväntat argument 'junk'\r\n", swedish},
         }) {
        if (locale.find("sv_SE") != std::string::npos && !has_swedish)
            continue;
        std::string other_stream = status == 0 ? " 2>/dev/null" : " >/dev/null";
        PtyGame game({"/bin/sh", "-c",
                      "exec env " + locale + " " + VAKNA_BINARY + " " + argument + other_stream});
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
    EXPECT_EQ(game.read_until(SLEEP_TEXT), " 2 \r\nDu valde: " + SLEEP + "\r\n" + SLEEP_TEXT);
    game.send("\x04"); // the end of input
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_EQ(game.transcript().find(ESC), std::string::npos);

    // With echo off, as in an editor's shell buffer, the editor ends the
    // answer's line: the game adds none. Arrows and F1 are no part of an answer.
    PtyGame quiet({"/bin/sh", "-c", std::string("stty -echo; exec ") + VAKNA_BINARY + " -p"});
    quiet.read_until("sluta: ");
    quiet.send("\x1b[B\x1b[1;5Ax\n");
    EXPECT_EQ(quiet.read_until("sluta: "), WRONG + BED_PROMPT);
    quiet.send("\x1b[B1\x1bOP\n");
    EXPECT_EQ(quiet.read_until(GET_UP + "\r\n"), "Du valde: " + GET_UP + "\r\n");
}

TEST(Plain, PlaysFromAPipeOneAnswerALineAndEndsInOrderOnASignal) {
    // Blanks after an answer count for nothing, whatever their number; an
    // ESC alone is dropped; a last answer without its line feed counts.
    int status = -1;
    std::string out =
        output_of("printf '\\n2        \\n\\33\\n9\\n1' | " VAKNA_BINARY " --plain", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find(": \n\n 1: " + GET_UP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find(": \nDu valde: " + SLEEP + "\n" + SLEEP_TEXT), std::string::npos)
        << escaped(out);
    EXPECT_NE(out.find(": \n" + WRONG.substr(0, WRONG.size() - 2) + "\n"), std::string::npos);
    EXPECT_NE(out.find(": \nDu valde: " + GET_UP + "\n" + says("SHOW_ROOM").at(0)),
              std::string::npos)
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
    EXPECT_NE(out.find("Du valde: " + GET_UP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find("Du valde: " + SLEEP + "\n"), std::string::npos) << escaped(out);
    EXPECT_NE(out.find(says("SHOW_ROOM").at(0), out.find(ESC)), std::string::npos) << escaped(out);
    EXPECT_EQ(out.substr(out.size() - 4), "rest") << escaped(out);
}

// The story's lines of a transcript: without escape sequences, and without
// the lists, prompts, answers and empty lines around them.
std::vector<std::string> story_lines(const std::string& transcript) {
    auto told = [](const std::string& line) {
        return line.find(':') > 3 && line.find_first_not_of(" \r") < 4 &&
               line.rfind("Välj", 0) != 0 && line.rfind("Du valde:", 0) != 0;
    };
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < transcript.size(); i++) {
        if (transcript[i] == '\x1b')
            i = std::min(transcript.find_first_of("ABCHJKm", i), transcript.size());
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
    EXPECT_EQ(plain.transcript().find_first_of("#$%>"), std::string::npos) << "a prompt's sign";
    EXPECT_EQ(plain.transcript().find(" \r\n"), std::string::npos) << "a line ends in a blank";
    EXPECT_NE(plain.transcript().find("Du har härmed klarat del:1 av spel:1."), std::string::npos);
    EXPECT_NE(plain.transcript().find("Du är DÖD nu."), std::string::npos);
    EXPECT_EQ(story_lines(plain.transcript()), story_lines(full.transcript()));
}

} // namespace
