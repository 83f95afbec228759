// Key sequences through the decoder alone, bytes in and keys out: its
// table, the keys of other terminals, unused keys, Alt plus a key and failed
// sequences skipped whole, plain bytes, and the time it asks for each byte.
// Then through the reader and a real descriptor 0: a terminal's control
// keys, the buffer's end, and the time limits for the byte after a lone ESC
// and for each further byte of a sequence.
#include "input/key_test_support.h"
#include "support/stdio_redirect.h"

#include <span>
#include <string>
#include <termios.h>
#include <tuple>

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

// What xterm-family, rxvt-family and other terminals send besides the table,
// rxvt's Ctrl and Shift arrows in lower case among them.
const Sequence TERMINAL_KEYS[] = {
    {"\x1bOA", KEY_UP},   {"\x1bOB", KEY_DOWN}, {"\x1bOC", KEY_RIGHT}, {"\x1bOD", KEY_LEFT},
    {"\x1bOH", KEY_HOME}, {"\x1bOF", KEY_END},  {"\x1bOP", KEY_F1},    {"\x1bOQ", KEY_F2},
    {"\x1bOR", KEY_F3},   {"\x1bOS", KEY_F4},   {"\x1bO2P", KEY_F1},   {"\x1bO5S", KEY_F4},
    {"\x1b[H", KEY_HOME}, {"\x1b[F", KEY_END},  {"\x1b[7~", KEY_HOME}, {"\x1b[8~", KEY_END},
    {"\x1b[11~", KEY_F1}, {"\x1b[12~", KEY_F2}, {"\x1b[13~", KEY_F3},  {"\x1b[14~", KEY_F4},
    {"\x1b[15~", KEY_F5}, {"\x1b[17~", KEY_F6}, {"\x1b[21~", KEY_F10}, {"\x1b[24~", KEY_F12},
    {"\x1bOa", KEY_UP},   {"\x1bOb", KEY_DOWN}, {"\x1bOc", KEY_RIGHT}, {"\x1b[d", KEY_LEFT},
};

// The same keys with Shift (2), Alt (3), Ctrl (5) and the like, and with Alt
// as the rxvt family sends it, an ESC before the key.
const Sequence MODIFIED_KEYS[] = {
    {"\x1b[1;5A", KEY_UP},      {"\x1b[1;2B", KEY_DOWN},       {"\x1b[1;3C", KEY_RIGHT},
    {"\x1b[1;16D", KEY_LEFT},   {"\x1b[1;5H", KEY_HOME},       {"\x1b[1;2F", KEY_END},
    {"\x1b[1;2P", KEY_F1},      {"\x1b[1;5Q", KEY_F2},         {"\x1b[1;6R", KEY_F3},
    {"\x1b[1;10S", KEY_F4},     {"\x1b[2;5~", KEY_INSERT},     {"\x1b[3;2~", KEY_DELETE},
    {"\x1b[5;5~", KEY_PAGE_UP}, {"\x1b[6;13~", KEY_PAGE_DOWN}, {"\x1b[15;2~", KEY_F5},
    {"\x1b[1;3~", KEY_HOME},    {"\x1b[8;5~", KEY_END},        {"\x1b\x1b[A", KEY_UP},
    {"\x1b\x1bOR", KEY_F3},
};

// rxvt ends its shifted keys in "$"; the sequence ends there.
const Sequence DOLLAR_KEYS[] = {
    {"\x1b[2$", KEY_INSERT},    {"\x1b[3$", KEY_DELETE}, {"\x1b[5$", KEY_PAGE_UP},
    {"\x1b[6$", KEY_PAGE_DOWN}, {"\x1b[7$", KEY_HOME},   {"\x1b[8$", KEY_END},
    {"\x1b[11$", KEY_F1},       {"\x1b[15$", KEY_F5},    {"\x1b[23$", KEY_F11},
};

// Complete sequences of keys the game has no use for: Shift+Tab, F13 to
// F15 plain, modified and rxvt-shifted, a keypad key, rxvt's Ctrl and
// Ctrl+Shift forms, a modifier of three digits, a number no key has,
// intermediate bytes, a terminal's reports and mouse clicks, its strings
// ended by BEL or ST, and a paste, whatever it holds.
const std::string UNUSED_KEYS[] = {
    "\x1b[Z",      "\x1b[25~",
    "\x1b[26;5~",  "\x1b[28$",
    "\x1bOe",      "\x1bOj",
    "\x1b[2^",     "\x1b[2@",
    "\x1b[1A",     "\x1b[5x",
    "\x1b[P",      "\x1b[1;123A",
    "\x1b[1;5Z",   "\x1b[01~",
    "\x1b[ q",     "\x1b[1 $p",
    "\x1b[?1;2c",  "\x1b[<0;10;20M",
    "\x1b[2;5;1~", "\x1b[I",
    "\x1b[M 12",   "\x1b_q\x1b\\",
    "\x1b^q\a",    "\x1b]11;rgb:0/0/0\x1b\\",
    "\x1b]0;q\a",  "\x1bP1$r" + std::string(MAX_SEQUENCE_BYTES, '1') + "\x1b\\",
    "\x1b]\a",     "\x1b[200~q1\n\x1b[A\x1b[201\x1b\x1b[201~",
    "\x1b[1[",     "\x1b[" + std::string(MAX_SEQUENCE_BYTES, '2') + "~", // past the length limit
};

// Bytes sent together with the end of input behind them.
void expect_keys(const std::string& bytes, const std::vector<int>& codes) {
    EXPECT_EQ(decode_all(bytes), codes) << "after ESC" << bytes.substr(1);
}

using KeyReading = KeyReaderTest;

TEST(KeyDecoding, KeysOfOtherTerminalsLeaveNoTrace) {
    for (const auto& keys :
         {std::span<const Sequence>(TERMINAL_KEYS), std::span<const Sequence>(MODIFIED_KEYS),
          std::span<const Sequence>(DOLLAR_KEYS)}) {
        for (const Sequence& sequence : keys)
            expect_keys(sequence.bytes + "k", {sequence.code, 'k'});
    }
}

TEST(KeyDecoding, DollarEndsTheSequenceEvenBeforeAFinalByte) {
    // Were "$" taken for an intermediate byte, "~" or "A" would end it.
    expect_keys("\x1b[3$~", {KEY_DELETE, '~'});
    expect_keys("\x1b[5$A", {KEY_PAGE_UP, 'A'});
    expect_keys("\x1b[28$A", {'A'});
}

TEST(KeyDecoding, UnusedKeysAreSkippedWhole) {
    for (const std::string& bytes : UNUSED_KEYS)
        expect_keys(bytes + "k" + bytes + "\x1b[A", {'k', KEY_UP});
}

TEST_F(KeyReading, AfterAnUnusedKeyTheReaderWaitsForTheNextKey) {
    StdinPipe input;
    input.write("\x1b[25~");
    Later typist([&] {
        sleep_ms(150);
        input.write("k");
    });
    double start = now_ms();
    EXPECT_EQ(read_key(), 'k');
    EXPECT_GE(now_ms() - start, 90);
    EXPECT_TRUE(nothing_held());
}

TEST(KeyDecoding, SequenceLongerThanItsLimitFails) {
    // ESC "[", parameter bytes and "A": MAX_SEQUENCE_BYTES in all is a
    // complete sequence still.
    const std::string longest = "\x1b[" + std::string(MAX_SEQUENCE_BYTES - 3, '1') + "A";
    expect_keys(longest + "k", {'k'});

    // One byte more is passed over with the rest; the bytes after it are
    // keys again.
    const std::string too_long = "\x1b[" + std::string(MAX_SEQUENCE_BYTES - 2, '1') + "A";
    expect_keys(too_long + "k", {'k'});
    // Intermediate bytes count the same.
    const std::string spaced = "\x1b[" + std::string(MAX_SEQUENCE_BYTES - 2, ' ') + "\tp";
    expect_keys(spaced, {'p'});
}

// Complete, each takes all its bytes without waiting for another.
TEST(KeyDecoding, EverySequenceOfTheTableLeavesNoTrace) {
    for (const Sequence& sequence : TABLE) {
        KeyDecoded answer = key_decode({sequence.bytes, sequence.bytes.size(), false, {}});
        EXPECT_EQ(answer.key, sequence.code) << "after ESC" << sequence.bytes.substr(1);
        EXPECT_EQ(answer.used, sequence.bytes.size());
    }
}

TEST(KeyDecoding, SequencesArrivingTogetherAreReadOneAtATime) {
    std::string all;
    std::vector<int> codes;
    for (const Sequence& sequence : TABLE) {
        all += sequence.bytes + "k";
        codes.insert(codes.end(), {sequence.code, 'k'});
    }
    EXPECT_EQ(decode_all(all), codes);
}

struct DecoderReplay {
    std::string bytes;
    std::vector<int> codes;
};

// Alt plus a key, sent as ESC and the key together, does nothing; so does a
// sequence that fails on a byte outside the grammar, which goes with it.
TEST(KeyDecoding, AltKeysAndFailedSequencesAreSkippedWhole) {
    const DecoderReplay cases[] = {
        {"\x1bq", {}},          {"\x1bo", {}},
        {"\x1b\n", {}},         {"\x1b\x31", {}},
        {"\x1b\x1b", {}},       {"\x1b\x1bx", {'x'}},
        {"\x1b[\t", {}},        {"\x1b[5\r", {}},
        {"\x1b[[xB", {KEY_F2}}, {"\x1b[1;5\x1b[A", {KEY_UP}},
        {"\x1b[7\x7f", {}},     {"\x1b[1\xc3\xa4", {-92}},
        {"\x1b[ 1A", {'A'}},    {"\x1bO A", {'A'}},
        {"\x1b]q\a", {}},       {"\x1b]\x1b[A", {KEY_UP}},
        {"\x1b_\x1b\\", {}},    {"\x1b[M1\x1b[B", {KEY_DOWN}},
        {"\x1bO\n", {}},        {"\x1b\x1b\x1b[3~\x1b[[\x1b[B", {KEY_DELETE, KEY_DOWN}},
    };
    for (const DecoderReplay& replay : cases) {
        // The mark shows that nothing was lost, added or reordered.
        std::vector<int> expected = replay.codes;
        expected.push_back('.');
        expect_keys(replay.bytes + ".", expected);
    }
}

TEST(KeyDecoding, ConsoleFunctionKeyPassesOverAtMostThirtyTwoStrayBytes) {
    expect_keys("\x1b[[" + std::string(MAX_CONSOLE_FN_STRAY, 'x') + "C", {KEY_F3});

    expect_keys("\x1b[[" + std::string(MAX_CONSOLE_FN_STRAY + 1, 'x') + "C", {'C'});
    expect_keys("\x1b[[" + std::string(MAX_CONSOLE_FN_STRAY + 8, '2') + "A2", {'2'}); // whole
}

TEST(KeyDecoding, BytesAboveAsciiComeBackNegative) {
    expect_keys("\xc3\xa4\x80\xff\xfe\xfd\x7f", {-61, -92, -128, -1, -2, -3, 127});
    // Alt plus the first byte takes only that byte.
    expect_keys("\x1b\xc3\xa4\xfd", {-92, -3});
}

TEST_F(KeyReading, ControlKeysOnATerminalAreTheirBytes) {
    StdinPty terminal;
    // With canonical input off, Ctrl-D is no end of file; no control byte
    // reads as a key, nor NUL as an interrupt.
    terminal.type(std::string("\x01\x04\x08\x7f\0a", 6));
    EXPECT_EQ(read_keys(6), (std::vector<int>{1, 4, 8, 127, 0, 'a'}));
}

// More than the reader's buffer holds: keys cut at its end are whole.
TEST_F(KeyReading, BufferGoesOnWorkingAcrossItsEnd) {
    StdinPipe input;
    std::string bytes;
    std::vector<int> codes;
    for (int round = 0; round < 300; ++round) {
        bytes += "\x1b\x1bx\x1b[[yyD\x1b[1;5Z";
        codes.insert(codes.end(), {'x', KEY_F4});
    }
    codes.push_back('k');
    input.write(bytes + "k");
    EXPECT_EQ(read_keys(codes.size()), codes);
    EXPECT_TRUE(nothing_held());
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

TEST_F(KeyReading, LoneEscapeIsReportedAfterTheTimeLimit) {
    StdinPipe input;
    input.write("\x1b");
    expect_escape_after_time_limit();
    EXPECT_TRUE(nothing_held());
}

// Cut short by the end of input; silence past the limit is played through a
// pseudo-terminal in the session's tests.
TEST(KeyDecoding, SequencesCutShortAreDroppedWhole) {
    for (const char* bytes : {"\x1b[", "\x1b[5", "\x1b[[x", "\x1b[1;", "\x1bO2", "\x1b[1 ",
                              "\x1b]0;q", "\x1bPq\x1b", "\x1b[M1", "\x1b[200~q\x1b[201"})
        expect_keys(bytes, {});
}

// A paste, whatever it holds, has no time limit at all.
TEST_F(KeyReading, TimeLimitHoldsForEachByteNotTheWholeSequence) {
    StdinPipe input;
    input.write("\x1b[200~q");
    Later typist([&] {
        sleep_ms(1500);
        input.write("1\x1b[201~\x1b");
        sleep_ms(40);
        input.write("[");
        // A slow link: far past the lone Esc's limit, within a sequence's.
        for (char byte : std::string("[xA")) {
            sleep_ms(300);
            input.write(std::string(1, byte));
        }
    });
    EXPECT_EQ(read_key(), KEY_F1);
    EXPECT_TRUE(nothing_held());
}

// The time allowed for the next byte, and a byte after the pause for it:
// Esc and q a moment apart are two keys, ESC and "[" still a sequence.
TEST(KeyDecoding, DecoderAsksForTheTimeOfEachByte) {
    const std::pair<KeyBytes, KeyDecoded> cases[] = {
        {{"\x1b", 1, false, {}}, {KEY_MORE, 0, ESCAPE_BYTE_TIMEOUT_MS, {}}},
        {{"\x1b[1", 3, false, {}}, {KEY_MORE, 0, SEQUENCE_BYTE_TIMEOUT_MS, {}}},
        {{"\x1b\x1b", 2, false, {}}, {KEY_MORE, 0, 0, {}}},
        {{"\x1b[200~q\x1b[", 10, false, {}}, {KEY_MORE, 7, -1, WITHIN_PASTE}},
        {{"\x1bq", 1, false, {}}, {KEY_ESCAPE, 1, 0, {}}},
        {{"\x1b[", 1, false, {}}, {KEY_MORE, 0, SEQUENCE_BYTE_TIMEOUT_MS, {}}},
    };
    for (const auto& [input, expected] : cases) {
        KeyDecoded answer = key_decode(input);
        EXPECT_EQ(std::tie(answer.key, answer.used, answer.wait_ms, answer.within),
                  std::tie(expected.key, expected.used, expected.wait_ms, expected.within))
            << "after ESC" << input.bytes.substr(1);
    }
}

} // namespace
