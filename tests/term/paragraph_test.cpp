#include "paragraph_model.h"
#include "support/model_runs.h"
#include "support/stdio_redirect.h"
#include "support/utf8_text.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string EL = "\x1b[K";

std::string said(int width, int column, const char* text) {
    return written(width, column, [&] { say(text); });
}

} // namespace

TEST(ParagraphMeasureTest, BoundedStrlenAndPutN) {
    EXPECT_EQ(bounded_strlen("abc", 3), 3);
    EXPECT_EQ(bounded_strlen("abc", 100), 3);
    EXPECT_EQ(bounded_strlen("abc", 2), 2);
    EXPECT_EQ(bounded_strlen("abc", 0), 0);
    EXPECT_EQ(bounded_strlen("abc", -1), 0);
    EXPECT_EQ(bounded_strlen("", 5), 0);
    EXPECT_EQ(bounded_strlen("på", 10), 3);

    auto put = [](const char* text, int n) { return capture_stdout([&] { put_n(text, n); }); };
    EXPECT_EQ(put("abc", 10), "abc");
    EXPECT_EQ(put("abc", 2), "ab");
    EXPECT_EQ(put("abc", 0), "");
    EXPECT_EQ(put("abc", -1), "abc");
    EXPECT_EQ(put("säng", 3), "sä");
}

TEST(ParagraphMeasureTest, FitLengthBreaksOnlyBeforeASpace) {
    EXPECT_EQ(fit_length("", -1, 10), 0);
    EXPECT_EQ(fit_length("abc", -1, 3), 3);
    EXPECT_EQ(fit_length("abc", -1, 2), 0);
    EXPECT_EQ(fit_length("abc def", -1, 7), 7);
    EXPECT_EQ(fit_length("abc def", -1, 6), 3);
    EXPECT_EQ(fit_length("abc def", -1, 3), 3); // the space just beyond the width
    EXPECT_EQ(fit_length("abc def", -1, 2), 0);
    EXPECT_EQ(fit_length("abc  def", -1, 4), 4); // may end inside a run of spaces
    EXPECT_EQ(fit_length("abc  def", -1, 7), 4);
    EXPECT_EQ(fit_length("abc ", -1, 4), 4); // trailing spaces of a fitting text count
    EXPECT_EQ(fit_length(" abc", -1, 3), 0); // the first byte is no break point
    EXPECT_EQ(fit_length("  abc", -1, 3), 1);
    EXPECT_EQ(fit_length("ab\tcd ef", -1, 4), 0); // only the space byte breaks
    EXPECT_EQ(fit_length("ab\tcd ef", -1, 5), 5);
    EXPECT_EQ(fit_length("a", -1, 0), 0);
    EXPECT_EQ(fit_length("a b", -1, -3), 0);
    // A letter takes one column, whatever its bytes.
    EXPECT_EQ(fit_length("håll", -1, 4), 5);
    EXPECT_EQ(fit_length("håll", -1, 5), 5);
    EXPECT_EQ(fit_length("så här", -1, 6), 8);
}

TEST(ParagraphMeasureTest, FitLengthLimitCapsOnlyWhenThePrefixFits) {
    EXPECT_EQ(fit_length("abcdef", 3, 10), 3); // even inside a word
    EXPECT_EQ(fit_length("ab cdef", 2, 10), 2);
    EXPECT_EQ(fit_length("abcdef", 0, 10), 1); // 0 acts as 1
    EXPECT_EQ(fit_length("abcdef", 6, 10), 6);
    EXPECT_EQ(fit_length("abc", 3, 10), 3);
    EXPECT_EQ(fit_length("abc", 5, 10), 3);
    EXPECT_EQ(fit_length("abcdef", 3, 2), 0);  // the limit's bytes do not fit
    EXPECT_EQ(fit_length("abcdef", 10, 4), 0); // a limit beyond the width does nothing
    EXPECT_EQ(fit_length("ab cdef", 10, 4), 2);
    EXPECT_EQ(fit_length("", 3, 10), 0);
}

TEST(ParagraphMeasureTest, FitOrCutLengthCutsOnWholeCharacters) {
    auto fit_or_cut_length = [](const char* s, int w) { return text_line(s, w, true).bytes; };
    EXPECT_EQ(fit_or_cut_length("", 5), 0);
    EXPECT_EQ(fit_or_cut_length("ab cdef", 4), 2);  // a word break wins
    EXPECT_EQ(fit_or_cut_length("  abcdef", 2), 1); // so does a piece of spaces
    EXPECT_EQ(fit_or_cut_length("abcdef", 4), 4);
    EXPECT_EQ(fit_or_cut_length(" abcdef", 4), 4);
    EXPECT_EQ(fit_or_cut_length("aåb", 2), 3); // not half of å
    EXPECT_EQ(fit_or_cut_length("aåb", 3), 4);
    EXPECT_EQ(fit_or_cut_length("ååå", 2), 4);
    // Not even one character fits: exactly one whole character.
    EXPECT_EQ(fit_or_cut_length("abc", 0), 1);
    EXPECT_EQ(fit_or_cut_length("abc", -4), 1);
    EXPECT_EQ(fit_or_cut_length("åb", 1), 2);
    EXPECT_EQ(fit_or_cut_length("€x", 0), 3);
    EXPECT_EQ(fit_or_cut_length("\xF0\x9F\x98\x80", 1), 4);
    // Malformed text: a lone run of continuation bytes takes no column.
    EXPECT_EQ(fit_or_cut_length("\x80\x80\x80\x80\x80\x80", 0), 6);
}

TEST(ParagraphSayTest, ContinuesTheLineWithAJoiningSpace) {
    const char* first = "Du står i ett litet rum.";
    EXPECT_EQ(said(80, 0, first), first + EL);
    EXPECT_EQ(paragraph_column(), 24);
    const char* second = "Det enda som finns här inne är ett hav.";
    EXPECT_EQ(said(80, 25, second), std::string(" ") + second + EL);
    EXPECT_EQ(paragraph_column(), 26 + utf8_character_count(second));
}

TEST(ParagraphSayTest, WrapsOneTextAtSeveralWidths) {
    const char* text = "Du står vid en frusen sjö och isen knakar.";
    EXPECT_EQ(said(10, 0, text),
              "Du står" + EL + "\nvid en" + EL + "\nfrusen sjö\noch isen" + EL + "\nknakar." + EL);
    EXPECT_EQ(paragraph_column(), 7);
    EXPECT_EQ(said(16, 0, text),
              "Du står vid en" + EL + "\nfrusen sjö och" + EL + "\nisen knakar." + EL);
    EXPECT_EQ(paragraph_column(), 12);
    // The second line ends exactly at the width, the space just beyond it.
    EXPECT_EQ(said(19, 0, text), "Du står vid en" + EL + "\nfrusen sjö och isen\nknakar." + EL);
    EXPECT_EQ(said(41, 0, text), "Du står vid en frusen sjö och isen" + EL + "\nknakar." + EL);
    EXPECT_EQ(said(44, 0, text), text + EL);
    EXPECT_EQ(paragraph_column(), 42);
}

TEST(ParagraphSayTest, ALetterTakesOneColumn) {
    const char* room = "Du står i ett litet rum med varken väggar eller tak men det finns";
    EXPECT_EQ(said(80, 0, room), room + EL);
    EXPECT_EQ(said(80, paragraph_column(), "ett fönster."),
              " ett fönster." + EL); // still the first line
}

TEST(ParagraphSayTest, TextFillingTheLineExactlyLeavesNoRoomForTheNext) {
    // A line filled to its last cell gets no erase: the cursor waits at the
    // margin there, and the erase would take the last letter with it.
    EXPECT_EQ(said(10, 0, "abcde fghi"), "abcde fghi");
    EXPECT_EQ(paragraph_column(), 10);
    // The full line's break joins the next text; no joining space wraps on
    // its own into an empty line.
    EXPECT_EQ(said(10, 10, "xy"), "\nxy" + EL);
    EXPECT_EQ(paragraph_column(), 2);
    EXPECT_EQ(said(10, 10, "abcdefghijkl"), "\nabcdefghij\nkl" + EL);
    // Filled from an earlier column.
    EXPECT_EQ(said(10, 4, "abcde"), " abcde");
    EXPECT_EQ(paragraph_column(), 10);
}

TEST(ParagraphSayTest, SpacesAreWrittenExceptAtABreak) {
    EXPECT_EQ(said(20, 0, "abc  "), "abc  " + EL);
    EXPECT_EQ(paragraph_column(), 5);
    EXPECT_EQ(said(20, 5, "def"), " def" + EL);
    // A run of spaces: the piece takes those that fit, the rest are dropped.
    EXPECT_EQ(said(6, 0, "abc    def"), "abc   \ndef" + EL);
    EXPECT_EQ(paragraph_column(), 3);
    EXPECT_EQ(said(8, 0, "ab   cd  ef"), "ab   cd \nef" + EL);
    // Leading spaces belong to the first piece.
    EXPECT_EQ(said(10, 0, "  abc"), "  abc" + EL);
    EXPECT_EQ(paragraph_column(), 5);
    EXPECT_EQ(said(10, 3, "  abc"), "   abc" + EL);
    EXPECT_EQ(paragraph_column(), 9);
    // ...unless the first word does not fit: then they vanish at the break.
    EXPECT_EQ(said(8, 4, " abcdef"), " " + EL + "\nabcdef" + EL);
    EXPECT_EQ(paragraph_column(), 6);
    EXPECT_EQ(said(8, 5, "  abcdef"), "  " + EL + "\nabcdef" + EL);
    EXPECT_EQ(said(6, 0, "      "), "      ");
}

TEST(ParagraphSayTest, EmptyTextWritesOnlyTheJoinAndTheErase) {
    EXPECT_EQ(said(10, 0, ""), EL);
    EXPECT_EQ(paragraph_column(), 0);
    EXPECT_EQ(said(10, 3, ""), " " + EL);
    EXPECT_EQ(paragraph_column(), 4);
}

TEST(ParagraphSayTest, WidthIsReadAgainForEachText) {
    EXPECT_EQ(said(10, 0, "abc def"), "abc def" + EL);
    EXPECT_EQ(said(10, 7, "gh"), " gh");
    EXPECT_EQ(paragraph_column(), 10);
    EXPECT_EQ(said(30, 10, "ijk lm"), " ijk lm" + EL);
    EXPECT_EQ(paragraph_column(), 17);
    // Narrowed below the line already written: the next text starts afresh.
    EXPECT_EQ(said(5, 17, "nop"), "\nnop" + EL);
}

TEST(ParagraphSayTest, LongWordIsCutOnlyOnAFreshLine) {
    EXPECT_EQ(said(5, 0, "abcdefghijkl"), "abcde\nfghij\nkl" + EL);
    EXPECT_EQ(paragraph_column(), 2);
    // Not at the start of a line: the word first moves to the next line.
    EXPECT_EQ(said(5, 3, "abcdefgh"), " " + EL + "\nabcde\nfgh" + EL);
    EXPECT_EQ(said(8, 0, "ab cdefghijklm no"), "ab" + EL + "\ncdefghij\nklm no" + EL);
    // Cuts fall between characters, never inside one.
    EXPECT_EQ(said(2, 0, "ååå"), "åå\nå" + EL);
    EXPECT_EQ(said(4, 0, "Klättra"), "Klät\ntra" + EL);
    // Narrower than one character: one whole character per line.
    EXPECT_EQ(said(1, 0, "åb"), "å\nb");
    EXPECT_EQ(said(0, 0, "ab cd"), "a" + EL + "\nb" + EL + "\nc" + EL + "\nd" + EL);
    EXPECT_EQ(paragraph_column(), 1);
}

TEST(ParagraphTest, NewParagraphWritesItsSpaceBeforeTheJoiningOne) {
    EXPECT_EQ(written(20, 0, [] { new_paragraph(); }), " ");
    EXPECT_EQ(paragraph_column(), 1);
    EXPECT_EQ(written(20, 7, [] { new_paragraph(); }), "\n ");
    EXPECT_EQ(paragraph_column(), 1);
}

// The fuzz target's model on texts of letters, runs of spaces, long words
// and characters of two to four bytes, said and broken as a label from a
// random column at every width from 1 to 300.
TEST(ParagraphSayTest, RandomTextsKeepTheLineInvariants) {
    const std::vector<std::string> pieces = {"a",  "b",  "c",     " ", "  ",
                                             "å",  "ö",  "€",     "😀", "abcdefghijklmnopqrstuvwxyz",
                                             "ab", "Du", "knakar"};
    const int rounds = 8;
    expect_model_holds(paragraph_run, 300 * rounds, [&](unsigned run, std::mt19937& random) {
        int width = 1 + static_cast<int>(run - 1) / rounds;
        std::string text;
        for (int k = std::uniform_int_distribution<int>(0, 40)(random); k > 0; --k)
            text += pieces[random() % pieces.size()];
        text.resize(std::min<size_t>(text.size(), 255));
        std::vector<std::uint8_t> input = {static_cast<std::uint8_t>(width - 1), 0,
                                           static_cast<std::uint8_t>(random() % width)};
        for (std::uint8_t step : {0, 2}) { // said, and broken as a label
            input.insert(input.end(), {step, static_cast<std::uint8_t>(text.size())});
            input.insert(input.end(), text.begin(), text.end());
        }
        return input;
    });
}
