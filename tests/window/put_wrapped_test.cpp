#include "recording_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> rows(const RecordedWindow& rw) {
    std::vector<std::string> all;
    for (int y = 0; y < rw.screen.memory->height; y++)
        all.push_back(rw.row(y));
    return all;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(PutWrapped, TwoWordsThatDoNotFitTogetherTakeTwoRowsAndDropTheSpace) {
    RecordedWindow rw(10, 3);
    window_put_wrapped(rw.window, "abcde fghij");
    std::vector<std::string> expected;
    for (int x = 0; x < 5; x++)
        expected.push_back(put_call(x, 0, 7, "abcde"[x]));
    for (int x = 0; x < 5; x++)
        expected.push_back(put_call(x, 1, 7, "fghij"[x]));
    EXPECT_EQ(rw.take_calls(), expected);
    EXPECT_EQ(cursor_of(rw.window), At(5, 1));
}

TEST(PutWrapped, TextThatFitsIsWrittenWholeAndTheCursorStaysAfterIt) {
    RecordedWindow rw(10, 2);
    window_puts(rw.window, "ab");
    window_put_wrapped(rw.window, "cd efg");
    window_put_wrapped(rw.window, "h");
    EXPECT_EQ(window_get_x(rw.window), 9);
    window_put_wrapped(rw.window, "ij");
    EXPECT_EQ(rows(rw), (Rows{"abcd efgh ", "ij        "}));
    EXPECT_EQ(window_get_x(rw.window), 2);
}

TEST(PutWrapped, AFirstWordThatDoesNotFitTheRestOfTheRowStartsTheNextRow) {
    RecordedWindow rw(10, 3);
    window_puts(rw.window, "123456");
    window_put_wrapped(rw.window, "abcdefg hi");
    EXPECT_EQ(rows(rw), (Rows{"123456    ", "abcdefg hi", "          "}));
    EXPECT_EQ(cursor_of(rw.window), At(0, 2)); // the last piece reached the edge
}

TEST(PutWrapped, APieceEndingAtTheEdgeGetsNoSecondNewline) {
    RecordedWindow rw(10, 3);
    window_put_wrapped(rw.window, "abcd fghij klm");
    EXPECT_EQ(rows(rw), (Rows{"abcd fghij", "klm       ", "          "}));
}

TEST(PutWrapped, OnlyTheOneSpaceAtABreakIsDropped) {
    RecordedWindow rw(10, 3);
    window_put_wrapped(rw.window, "abcdefghij   k");
    window_put_wrapped(rw.window, "  ");
    EXPECT_EQ(rows(rw), (Rows{"abcdefghij", "  k       ", "          "}));
    EXPECT_EQ(window_get_x(rw.window), 5);

    RecordedWindow inner(10, 3);
    window_put_wrapped(inner.window, "abcde  xyzuvw");
    EXPECT_EQ(rows(inner), (Rows{"abcde     ", "xyzuvw    ", "          "}));
}

TEST(PutWrapped, ASpaceAtTheStartBelongsToTheFirstWord) {
    RecordedWindow rw(6, 2);
    window_puts(rw.window, "ab");
    window_put_wrapped(rw.window, " cdef");
    EXPECT_EQ(rows(rw), (Rows{"ab    ", " cdef "}));
}

TEST(PutWrapped, AWordWiderThanTheScreenIsCutIntoRowsAndTheTextGoesOn) {
    RecordedWindow rw(4, 5);
    window_put_wrapped(rw.window, "abcdefghij xy");
    EXPECT_EQ(rows(rw), (Rows{"abcd", "efgh", "ij  ", "xy  ", "    "}));

    RecordedWindow partly(4, 4);
    window_puts(partly.window, "12");
    window_put_wrapped(partly.window, "abcdef");
    EXPECT_EQ(rows(partly), (Rows{"12  ", "abcd", "ef  ", "    "}));
}

TEST(PutWrapped, TextLongerThanTheScreenScrollsIt) {
    RecordedWindow rw(5, 2);
    window_put_wrapped(rw.window, "one two three four");
    EXPECT_EQ(rows(rw), (Rows{"three", "four "}));
    EXPECT_EQ(window_get_y(rw.window), 1);
}

TEST(PutWrapped, WidthIsCountedInBytes) {
    RecordedWindow rw(6, 2);
    window_put_wrapped(rw.window, "p\xC3\xA5 is");
    EXPECT_EQ(rows(rw), (Rows{"p\xC3\xA5 is", "      "}));

    RecordedWindow second(6, 2);
    window_put_wrapped(second.window, "\xC3\xA4ta \xC3\xA5");
    EXPECT_EQ(rows(second), (Rows{"\xC3\xA4ta  ", "\xC3\xA5    "}));
}
