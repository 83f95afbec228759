// Fuzz target for the key reader: the input's bytes arrive on standard
// input through a pipe that is closed behind them, and `read_key` is called
// until the end of input. The whole sequence of codes must equal what a
// small model of the decoder gives: recognised sequences, also behind a
// second ESC (Alt); the complete sequences of other keys, failed ones and
// Alt plus a key skipped whole, but for an ESC that breaks a sequence and
// the byte after two ESCs, each of which begins the next key; the cap on
// stray bytes in a console F-key sequence, and the one on a sequence's
// length, past which it is passed over to its end; strings (OSC, DCS, APC,
// PM), X10 mouse reports and pastes dropped whole;
// negative codes for bytes above 127; a lone Esc only at the end, and
// KEY_INPUT_CLOSED there. The reader must hold nothing afterwards. The model
// scans a sequence's grammar by hand and names its key by patterns of the
// known forms.
//
// In a pipe every byte is there at once: every byte after an ESC was sent
// with it, and the waits for further bytes end at once at the end of input.
#include "fuzz_check.h"
#include "fuzz_io.h"
#include "input/key_reader.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

// Well below a pipe's buffer, so the whole input is written before reading.
constexpr size_t MAX_INPUT = 16384;
// Stray bytes a console F-key sequence passes over; one more makes it too long.
constexpr int STRAY_LIMIT = 32;
// Bytes of any other sequence, its ESC counted; past them it is passed over.
constexpr size_t SEQUENCE_LIMIT = 32;
constexpr std::uint8_t ESC = 27;
// What a sequence comes to besides a key code; no plain byte reads so.
constexpr int FAILED = -1000;
constexpr int SKIPPED = -1001;

int plain(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

bool within(std::uint8_t byte, std::uint8_t low, std::uint8_t high) {
    return byte >= low && byte <= high;
}

// The bytes of one sequence after its ESC, taken from the input.
struct Taking {
    const std::uint8_t* input;
    size_t size;
    size_t& at;
    std::string taken;
    bool capped = true;
    bool too_long = false;
};

// Takes the next byte. False at the end of input and at an ESC, which is
// left for the next key; and when the byte makes a capped sequence too
// long, taken all the same.
bool take(Taking& taking, std::uint8_t& byte) {
    if (taking.at == taking.size || taking.input[taking.at] == ESC)
        return false;
    byte = taking.input[taking.at++];
    taking.taken.push_back(static_cast<char>(byte));
    taking.too_long = taking.capped && 1 + taking.taken.size() > SEQUENCE_LIMIT;
    return !taking.too_long;
}

// A sequence past the cap is passed over up to a byte that is neither a
// parameter nor an intermediate byte, the one that made it too long first.
void pass_over(Taking& taking) {
    taking.capped = false;
    std::uint8_t byte = static_cast<std::uint8_t>(taking.taken.back());
    while (within(byte, 0x20, 0x3f) && take(taking, byte)) {
    }
}

// Known sequences as text after the ESC; the key is named by the letter in
// one of the groups of LETTER_FORMS or by the number in one of NUMBER_FORMS.
const std::regex
    LETTER_FORMS("\\[([ABCDHFabcd])|\\[1;[0-9]{1,2}([ABCDHFPQRSabcd])|O[0-?]*([ABCDHFPQRSabcd])");
const std::regex NUMBER_FORMS("\\[([0-9]+)(;[0-9]{1,2})?~|\\[([0-9]+)\\$");

const std::map<std::string, int> LETTER_KEYS = {
    {"A", KEY_UP},  {"B", KEY_DOWN}, {"C", KEY_RIGHT}, {"D", KEY_LEFT}, {"H", KEY_HOME},
    {"F", KEY_END}, {"P", KEY_F1},   {"Q", KEY_F2},    {"R", KEY_F3},   {"S", KEY_F4},
    {"a", KEY_UP},  {"b", KEY_DOWN}, {"c", KEY_RIGHT}, {"d", KEY_LEFT}};
const std::map<std::string, int> NUMBER_KEYS = {
    {"1", KEY_HOME},      {"2", KEY_INSERT}, {"3", KEY_DELETE}, {"4", KEY_END},  {"5", KEY_PAGE_UP},
    {"6", KEY_PAGE_DOWN}, {"7", KEY_HOME},   {"8", KEY_END},    {"11", KEY_F1},  {"12", KEY_F2},
    {"13", KEY_F3},       {"14", KEY_F4},    {"15", KEY_F5},    {"17", KEY_F6},  {"18", KEY_F7},
    {"19", KEY_F8},       {"20", KEY_F9},    {"21", KEY_F10},   {"23", KEY_F11}, {"24", KEY_F12}};

// The text of the first group that matched, found in names, or SKIPPED.
int named_key(const std::smatch& match, const std::map<std::string, int>& names) {
    for (size_t group = 1; group < match.size(); group++) {
        auto found = names.find(match[group].str());
        if (match[group].matched && found != names.end())
            return found->second;
    }
    return SKIPPED;
}

// The key of a complete sequence, or SKIPPED.
int complete_key(const std::string& text) {
    std::smatch match;
    if (std::regex_match(text, match, LETTER_FORMS))
        return named_key(match, LETTER_KEYS);
    if (std::regex_match(text, match, NUMBER_FORMS))
        return named_key(match, NUMBER_KEYS);
    return SKIPPED;
}

// ESC "[[" and stray bytes up to one of "A" to "E".
int console_key(Taking& taking) {
    taking.capped = false;
    std::uint8_t byte;
    for (int strays = 0; take(taking, byte); strays++) {
        if (within(byte, 'A', 'E'))
            return KEY_F1 + (byte - 'A');
        if ((taking.too_long = strays == STRAY_LIMIT))
            return FAILED;
    }
    return FAILED;
}

// ESC "O", parameter bytes and a final byte.
int ss3_sequence(Taking& taking) {
    std::uint8_t byte;
    do {
        if (!take(taking, byte))
            return FAILED;
    } while (within(byte, 0x30, 0x3f));
    return within(byte, 0x40, 0x7e) ? complete_key(taking.taken) : FAILED;
}

// ESC "[", parameter bytes, intermediate bytes and a final byte; or, in the
// rxvt family, a number and "$".
int csi_sequence(Taking& taking) {
    std::uint8_t byte;
    if (!take(taking, byte))
        return FAILED;
    if (byte == '[')
        return console_key(taking);
    if (byte == 'M') { // an X10 mouse report: three bytes more
        for (int n = 0; n < 3 && take(taking, byte); n++) {
        }
        return SKIPPED;
    }
    std::string params;
    while (within(byte, 0x30, 0x3f)) {
        params.push_back(static_cast<char>(byte));
        if (!take(taking, byte))
            return FAILED;
    }
    if (byte == '$' && !params.empty() &&
        params.find_first_not_of("0123456789") == std::string::npos)
        return complete_key(taking.taken);
    while (within(byte, 0x20, 0x2f)) {
        if (!take(taking, byte))
            return FAILED;
    }
    return within(byte, 0x40, 0x7e) ? complete_key(taking.taken) : FAILED;
}

bool begins_string(std::uint8_t byte) {
    return byte == ']' || byte == 'P' || byte == '_' || byte == '^';
}

bool starts_sequence(std::uint8_t byte) {
    return byte == '[' || byte == 'O' || begins_string(byte);
}

// A string up to and with its BEL or ST; an ESC with another byte after it
// ends it and begins the next key.
int skip_string(const std::uint8_t* input, size_t size, size_t& at) {
    while (at < size && input[at] != '\a' && input[at] != ESC)
        at++;
    if (at < size && input[at] == '\a')
        at++;
    else if (at < size && (at + 1 == size || input[at + 1] == '\\'))
        at = std::min(at + 2, size);
    return SKIPPED;
}

// Decodes the bytes after an ESC from input[at] on: a key code, SKIPPED
// (the byte after a second ESC left for the next key), or KEY_ESCAPE at the
// end.
int model_decode(const std::uint8_t* input, size_t size, size_t& at) {
    if (at == size)
        return KEY_ESCAPE;
    std::uint8_t first = input[at++];
    if (first == ESC && at < size) {
        if (!starts_sequence(input[at]))
            return SKIPPED;
        first = input[at++];
    }
    if (!starts_sequence(first))
        return SKIPPED;
    if (begins_string(first))
        return skip_string(input, size, at);
    Taking taking = {input, size, at, std::string(1, static_cast<char>(first))};
    int result = first == '[' ? csi_sequence(taking) : ss3_sequence(taking);
    if (taking.too_long)
        pass_over(taking);
    if (taking.taken == "[200~") { // a paste, up to and with its end
        size_t end = std::string(input + at, input + size).find("\x1b[201~");
        at = end == std::string::npos ? size : at + end + 6;
    }
    return result == FAILED || taking.too_long ? SKIPPED : result;
}

std::vector<int> model_codes(const std::uint8_t* input, size_t size) {
    std::vector<int> codes;
    size_t at = 0;
    for (;;) {
        if (at == size) {
            codes.push_back(KEY_INPUT_CLOSED);
            return codes;
        } else if (input[at] != ESC) {
            codes.push_back(plain(input[at++]));
        } else {
            at++;
            int code = model_decode(input, size, at);
            if (code != SKIPPED)
                codes.push_back(code);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size > MAX_INPUT)
        return -1; // not added to the corpus
    FUZZ_CHECK(unread_input_bytes() == 0);
    std::vector<int> expected = model_codes(input, size);
    feed_stdin(input, size);
    for (size_t i = 0; i < expected.size(); i++) {
        int code = read_key();
        if (code != expected[i]) {
            std::fprintf(stderr, "code %zu of %zu: read_key gave %d, expected %d\n", i,
                         expected.size(), code, expected[i]);
            FUZZ_CHECK(code == expected[i]);
        }
    }
    FUZZ_CHECK(unread_input_bytes() == 0);
    FUZZ_CHECK(read_key() == KEY_INPUT_CLOSED); // the end of input stays
    return 0;
}
