// Key sequences through a real descriptor 0: the decoder's table, failed
// sequences replayed byte by byte, plain bytes, the ring's wrap, and the time
// limit for each further byte of a sequence.
#include "input/key_test_support.h"
#include "support/stdio_redirect.h"

#include <string>
#include <termios.h>

namespace {

struct Sequence {
    std::string bytes;
    int code;
};

const Sequence TABLE[] = {
    {"\x1b[A", KEY_UP},         {"\x1b[B", KEY_DOWN},  {"\x1b[C", KEY_RIGHT},
    {"\x1b[D", KEY_LEFT},       {"\x1b[1~", KEY_HOME}, {"\x1b[2~", KEY_INSERT},
    {"\x1b[3~", KEY_DELETE},    {"\x1b[4~", KEY_END},  {"\x1b[5~", KEY_PAGE_UP},
    {"\x1b[6~", KEY_PAGE_DOWN}, {"\x1b[[A", KEY_F1},   {"\x1b[[B", KEY_F2},
    {"\x1b[[C", KEY_F3},        {"\x1b[[D", KEY_F4},   {"\x1b[[E", KEY_F5},
};

using KeyDecoding = KeyReaderTest;

TEST_F(KeyDecoding, EverySequenceOfTheTableLeavesNoTrace) {
    StdinPipe input;
    for (const Sequence& sequence : TABLE) {
        input.write(sequence.bytes);
        EXPECT_EQ(read_key(), sequence.code) << "after ESC" << sequence.bytes.substr(1);
        EXPECT_TRUE(ring_empty());
    }
}

TEST_F(KeyDecoding, SequencesArrivingTogetherAreReadOneAtATime) {
    StdinPipe input;
    std::string all;
    std::vector<int> codes;
    for (const Sequence& sequence : TABLE) {
        all += sequence.bytes + "k";
        codes.insert(codes.end(), {sequence.code, 'k'});
    }
    input.write(all);
    EXPECT_EQ(read_keys(codes.size()), codes);
    EXPECT_TRUE(ring_empty());
}

struct Replay {
    std::string bytes;
    std::vector<int> codes;
};

TEST_F(KeyDecoding, FailedSequencesAreReplayedByteByByte) {
    const Replay cases[] = {
        {"\x1b"
         "q",
         {KEY_ESCAPE, 'q'}},
        {"\x1b[Z", {KEY_ESCAPE, '[', 'Z'}},
        {"\x1b[5x", {KEY_ESCAPE, '[', '5', 'x'}},
        {"\x1b[[xB", {KEY_F2}},
        {"\x1b\x1b[A", {KEY_ESCAPE, 27, '[', 'A'}},
        {"\x1b[7~", {KEY_ESCAPE, '[', '7', '~'}},
        {"\x1b[1A", {KEY_ESCAPE, '[', '1', 'A'}},
    };
    StdinPipe input;
    for (const Replay& replay : cases) {
        // The mark shows that nothing was lost, added or reordered.
        input.write(replay.bytes + ".");
        std::vector<int> expected = replay.codes;
        expected.push_back('.');
        EXPECT_EQ(read_keys(expected.size()), expected) << "after ESC" << replay.bytes.substr(1);
        EXPECT_TRUE(ring_empty());
    }
}

TEST_F(KeyDecoding, ConsoleFunctionKeyPassesOverAtMostThirtyTwoStrayBytes) {
    StdinPipe input;
    input.write("\x1b[[" + std::string(MAX_CONSOLE_FN_STRAY, 'x') + "C");
    EXPECT_EQ(read_key(), KEY_F3);
    EXPECT_TRUE(ring_empty());

    input.write("\x1b[[" + std::string(MAX_CONSOLE_FN_STRAY + 1, 'x') + "C");
    input.close_writer(); // a missing key reads as KEY_INTERRUPT, not a wait
    std::vector<int> expected = {KEY_ESCAPE, '[', '['};
    expected.insert(expected.end(), MAX_CONSOLE_FN_STRAY + 1, 'x');
    expected.push_back('C');
    EXPECT_EQ(read_keys(expected.size()), expected);
    EXPECT_TRUE(ring_empty());
}

TEST_F(KeyDecoding, BytesAboveAsciiComeBackNegative) {
    StdinPipe input;
    input.write("\xc3\xa4\x80\xff\x7f");
    EXPECT_EQ(read_keys(5), (std::vector<int>{-61, -92, -128, -1, 127}));
    // Replayed from the ring they read the same.
    input.write("\x1b\xc3\xa4");
    EXPECT_EQ(read_keys(3), (std::vector<int>{KEY_ESCAPE, -61, -92}));
}

TEST_F(KeyDecoding, ControlKeysOnATerminalAreTheirBytes) {
    StdinPty terminal;
    // With canonical input off, Ctrl-D is no end of file.
    terminal.type("\x01\x04"
                  "a");
    EXPECT_EQ(read_keys(3), (std::vector<int>{KEY_UP, KEY_RIGHT, 'a'}));
}

TEST_F(KeyDecoding, RingGoesOnWorkingAcrossItsWrap) {
    pushback_in = 250;
    pushback_out = 250;
    StdinPipe input;
    std::string bytes;
    std::vector<int> codes;
    for (int round = 0; round < 300; ++round) {
        bytes += "\x1b[5x\x1b[[yyD";
        codes.insert(codes.end(), {KEY_ESCAPE, '[', '5', 'x', KEY_F4});
    }
    input.write(bytes);
    EXPECT_EQ(read_keys(codes.size()), codes);
    EXPECT_TRUE(ring_empty());
}

// A sequence cut short by silence: its escape comes once the time for the
// next byte has passed, not at once and not never.
void expect_escape_after_time_limit() {
    double start = now_ms();
    EXPECT_EQ(read_key(), KEY_ESCAPE);
    double waited = now_ms() - start;
    EXPECT_GE(waited, 90);
    EXPECT_LT(waited, 1000);
}

TEST_F(KeyDecoding, LoneEscapeIsReportedAfterTheTimeLimit) {
    StdinPipe input;
    input.write("\x1b");
    expect_escape_after_time_limit();
    EXPECT_TRUE(ring_empty());
}

TEST_F(KeyDecoding, UnfinishedSequenceIsReplayedWithoutWaitingAgain) {
    StdinPipe input;
    input.write("\x1b[5");
    expect_escape_after_time_limit();

    double start = now_ms();
    EXPECT_EQ(read_keys(2), (std::vector<int>{'[', '5'}));
    EXPECT_LT(now_ms() - start, 90);

    input.write("\x1b[[x");
    EXPECT_EQ(read_keys(4), (std::vector<int>{KEY_ESCAPE, '[', '[', 'x'}));
    EXPECT_TRUE(ring_empty());
}

TEST_F(KeyDecoding, TimeLimitHoldsForEachByteNotTheWholeSequence) {
    StdinPipe input;
    input.write("\x1b");
    Later typist([&] {
        for (char byte : std::string("[[xA")) {
            sleep_ms(40);
            input.write(std::string(1, byte));
        }
    });
    EXPECT_EQ(read_key(), KEY_F1);
    EXPECT_TRUE(ring_empty());
}

} // namespace
