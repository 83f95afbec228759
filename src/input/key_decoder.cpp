// The decoder follows the grammar of a terminal's key sequences: ESC "[",
// parameter bytes, intermediate bytes and one final byte, or ESC "O",
// parameter bytes and one final byte. A state machine takes the bytes of one
// sequence in turn and keeps its parameter bytes; once the final byte has
// come it looks the key up by them. What a terminal sends that no key made
// is taken whole and dropped: a string (OSC, DCS, APC, PM) up to its end, an
// X10 mouse report, and a bracketed paste. Each call runs the machine again
// from the key's first byte, which costs little: a key is a few dozen bytes
// at most, and what has no length limit is dropped as it comes.
#include "input/key_decoder.h"

#include <algorithm>

namespace {

constexpr char ESC = 27;

enum DecoderState {
    AFTER_ESC,
    CSI,
    CSI_INTERMEDIATE,
    SS3,
    CONSOLE_FN,
    STRING,       // after ESC "]", "P", "_" or "^"
    STRING_ESC,   // an ESC within a string: ST if a backslash follows
    MOUSE_REPORT, // after ESC "[M", its three bytes
    PASTE,        // after ESC "[200~", up to ESC "[201~"
};

// What a byte does to a sequence besides completing it with a key code.
constexpr int GO_ON = -1;
constexpr int FAIL = -2;

struct Decoder {
    DecoderState state = AFTER_ESC;
    int length = 1;                  // bytes so far, its ESC included, up to the limit
    char params[MAX_SEQUENCE_BYTES]; // the length limit keeps them within
    int param_count = 0;
    int strays = 0;  // bytes passed over in CONSOLE_FN
    int matched = 0; // MOUSE_REPORT: its bytes so far; PASTE: bytes of its end matched

    std::string_view parameters() const { return {params, static_cast<size_t>(param_count)}; }
};

bool is_parameter_byte(char byte) {
    return byte >= 0x30 && byte <= 0x3f;
}

bool is_intermediate_byte(char byte) {
    return byte >= 0x20 && byte <= 0x2f;
}

bool is_final_byte(char byte) {
    return byte >= 0x40 && byte <= 0x7e;
}

bool is_number(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The m of ";" m: Shift, Alt and Ctrl as one or two digits.
bool is_modifier(std::string_view text) {
    return is_number(text) && text.size() <= 2;
}

// The key that a letter names as the final byte of ESC "O" X, ESC "[" X and
// ESC "[1;" m X. The rxvt family sends the arrows with Ctrl as ESC "O" and
// with Shift as ESC "[", each with the letter in lower case.
int letter_key(char final) {
    switch (final) {
    case 'A':
    case 'a':
        return KEY_UP;
    case 'B':
    case 'b':
        return KEY_DOWN;
    case 'C':
    case 'c':
        return KEY_RIGHT;
    case 'D':
    case 'd':
        return KEY_LEFT;
    case 'H':
        return KEY_HOME;
    case 'F':
        return KEY_END;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
        return KEY_F1 + (final - 'P');
    }
    return KEY_NONE;
}

// The keys of ESC "[" n "~", by n.
struct NumberedKey {
    std::string_view number;
    int key;
};
constexpr NumberedKey NUMBERED_KEYS[] = {
    {"1", KEY_HOME},      {"2", KEY_INSERT}, {"3", KEY_DELETE}, {"4", KEY_END},  {"5", KEY_PAGE_UP},
    {"6", KEY_PAGE_DOWN}, {"7", KEY_HOME},   {"8", KEY_END},    {"11", KEY_F1},  {"12", KEY_F2},
    {"13", KEY_F3},       {"14", KEY_F4},    {"15", KEY_F5},    {"17", KEY_F6},  {"18", KEY_F7},
    {"19", KEY_F8},       {"20", KEY_F9},    {"21", KEY_F10},   {"23", KEY_F11}, {"24", KEY_F12},
};

int numbered_key(std::string_view number) {
    for (const NumberedKey& entry : NUMBERED_KEYS) {
        if (entry.number == number)
            return entry.key;
    }
    return KEY_NONE;
}

// The key of a complete ESC "[" sequence without intermediate bytes. A
// modifier (Shift, Alt, Ctrl) comes as ";" m after the first number, and
// the key is the one without it.
// (The parameters are cut by hand: substr may throw, and would bring the
// library's exception machinery into the game for a case that never comes.)
int csi_key(std::string_view params, char final) {
    size_t semicolon = std::min(params.find(';'), params.size());
    std::string_view first(params.data(), semicolon);
    std::string_view modifier = params;
    modifier.remove_prefix(std::min(semicolon + 1, params.size()));
    bool modified = semicolon < params.size();
    if (modified && !is_modifier(modifier))
        return KEY_NONE;
    if (final == '~')
        return numbered_key(first);
    // F1 to F4 end in "P" to "S" only behind a modifier.
    if (params.empty() && (final < 'P' || final > 'S'))
        return letter_key(final);
    return modified && first == "1" ? letter_key(final) : KEY_NONE;
}

int go_to(Decoder& decoder, DecoderState state) {
    decoder.state = state;
    return GO_ON;
}

int keep_parameter(Decoder& decoder, char byte) {
    decoder.params[decoder.param_count++] = byte;
    return GO_ON;
}

// The parameters that announce a bracketed paste, and the sequence that
// ends it.
constexpr std::string_view PASTE_BEGINS = "200";
constexpr std::string_view PASTE_ENDS = "\x1b[201~";
// The bytes of an X10 mouse report after its ESC "[M": button, column, row.
constexpr int MOUSE_REPORT_BYTES = 3;

int csi_step(Decoder& decoder, char byte) {
    if (byte == '[' && decoder.param_count == 0)
        return go_to(decoder, CONSOLE_FN);
    if (byte == 'M' && decoder.param_count == 0)
        return go_to(decoder, MOUSE_REPORT);
    if (byte == '~' && decoder.parameters() == PASTE_BEGINS)
        return go_to(decoder, PASTE);
    if (is_parameter_byte(byte))
        return keep_parameter(decoder, byte);
    // The rxvt family ends shifted keys in "$" where others have "~".
    if (byte == '$' && is_number(decoder.parameters()))
        return numbered_key(decoder.parameters());
    if (is_intermediate_byte(byte))
        return go_to(decoder, CSI_INTERMEDIATE);
    return is_final_byte(byte) ? csi_key(decoder.parameters(), byte) : FAIL;
}

// A sequence past the length limit keeps nothing more, but is passed over
// up to its final byte: were it cut at the limit, the rest of its bytes
// would come out as keys ("ESC [" and forty 2s would choose the second
// option nine times). A byte outside the grammar ends it as any sequence.
int pass_over(char byte) {
    if (is_parameter_byte(byte) || is_intermediate_byte(byte))
        return GO_ON;
    return is_final_byte(byte) ? KEY_NONE : FAIL;
}

bool begins_string(char byte) {
    return byte == ']' || byte == 'P' || byte == '_' || byte == '^';
}

// A string ends at BEL or at ST (ESC "\\"), however long. Any other byte
// after its ESC ends it too, and that ESC begins the next key.
int string_step(Decoder& decoder, char byte) {
    if (decoder.state == STRING_ESC)
        return byte == '\\' ? KEY_NONE : FAIL;
    if (byte == '\a')
        return KEY_NONE;
    return byte == ESC ? go_to(decoder, STRING_ESC) : GO_ON;
}

// Everything up to the first ESC "[201~" is pasted text, keys and escape
// sequences alike.
int paste_step(Decoder& decoder, char byte) {
    if (byte == PASTE_ENDS[decoder.matched])
        decoder.matched++;
    else
        decoder.matched = byte == PASTE_ENDS[0] ? 1 : 0;
    return decoder.matched == static_cast<int>(PASTE_ENDS.size()) ? KEY_NONE : GO_ON;
}

bool begins_sequence(char byte) {
    return byte == '[' || byte == 'O' || begins_string(byte);
}

// Feeds the next byte after the ESC: returns the key of a completed
// sequence, KEY_NONE, GO_ON, or FAIL.
int decoder_step(Decoder& decoder, char byte) {
    if (decoder.state == STRING || decoder.state == STRING_ESC)
        return string_step(decoder, byte);
    if (decoder.state == PASTE)
        return paste_step(decoder, byte);
    // An ESC always begins a key: no sequence holds one.
    if (byte == ESC)
        return FAIL;
    if (decoder.state != CONSOLE_FN) {
        if (decoder.length == MAX_SEQUENCE_BYTES)
            return pass_over(byte);
        decoder.length++;
    }
    switch (decoder.state) {
    case AFTER_ESC:
        if (byte == '[')
            return go_to(decoder, CSI);
        if (begins_string(byte))
            return go_to(decoder, STRING);
        return byte == 'O' ? go_to(decoder, SS3) : FAIL;
    case CSI:
        return csi_step(decoder, byte);
    case CSI_INTERMEDIATE:
        if (is_intermediate_byte(byte))
            return GO_ON;
        return is_final_byte(byte) ? KEY_NONE : FAIL;
    case SS3:
        if (is_parameter_byte(byte))
            return keep_parameter(decoder, byte);
        return is_final_byte(byte) ? letter_key(byte) : FAIL;
    case CONSOLE_FN:
        if (byte >= 'A' && byte <= 'E')
            return KEY_F1 + (byte - 'A');
        if (++decoder.strays <= MAX_CONSOLE_FN_STRAY)
            return GO_ON;
        // Past its limit it is a long sequence like any other, passed over
        // to its end; failed at this byte, it would leave a long parameter's
        // further digits to come out as keys.
        decoder.state = CSI;
        decoder.length = MAX_SEQUENCE_BYTES;
        return pass_over(byte);
    case MOUSE_REPORT:
        return ++decoder.matched == MOUSE_REPORT_BYTES ? KEY_NONE : GO_ON;
    default:
        return FAIL;
    }
}

KeyDecoded decoded(int key, size_t used) {
    return {key, used, 0, WITHIN_NOTHING};
}

KeyDecoded need_more(int wait_ms) {
    return {KEY_MORE, 0, wait_ms, WITHIN_NOTHING};
}

// A sequence that needs its next byte. Once it can make no key (a paste, a
// string, past the length limit) its bytes are dropped as they come, but
// for those that may begin its end: the ESC of a string's ST, and the part
// of a paste's end matched so far, which the next call takes again.
KeyDecoded more(const Decoder& decoder, size_t held) {
    if (decoder.state == PASTE)
        return {KEY_MORE, held - decoder.matched, -1, WITHIN_PASTE};
    if (decoder.state == STRING || decoder.state == STRING_ESC)
        return {KEY_MORE, held - (decoder.state == STRING_ESC), SEQUENCE_BYTE_TIMEOUT_MS,
                WITHIN_STRING};
    if (decoder.state != CONSOLE_FN && decoder.length == MAX_SEQUENCE_BYTES)
        return {KEY_MORE, held, SEQUENCE_BYTE_TIMEOUT_MS, WITHIN_LONG_SEQUENCE};
    return need_more(SEQUENCE_BYTE_TIMEOUT_MS);
}

// The decoder within what it drops as it comes, as the last call left it.
Decoder resumed(KeyWithin within) {
    Decoder decoder;
    decoder.state = within == WITHIN_PASTE ? PASTE : within == WITHIN_STRING ? STRING : CSI;
    if (within == WITHIN_LONG_SEQUENCE)
        decoder.length = MAX_SEQUENCE_BYTES;
    return decoder;
}

// Decodes a key sequence, or a string, from bytes[from] on. A sequence that
// fails (a byte outside the grammar, cut off by silence, the end of input
// or a signal) is dropped whole: replaying its bytes would make keys of
// them ("1;5A" would choose the first option). An ESC that breaks it begins
// the next key (Alt+[ and then Down is Down), and so does an ESC that ends
// a string with a byte other than the one of ST, with that byte.
KeyDecoded decode_sequence(const KeyBytes& input, size_t from, Decoder decoder) {
    std::string_view bytes = input.bytes;
    for (size_t at = from; at < bytes.size(); at++) {
        int result = decoder_step(decoder, bytes[at]);
        if (result == GO_ON)
            continue;
        if (result != FAIL)
            return decoded(result, at + 1);
        if (decoder.state == STRING_ESC)
            return decoded(KEY_NONE, at - 1);
        return decoded(KEY_NONE, bytes[at] == ESC ? at : at + 1);
    }
    return input.ended ? decoded(KEY_NONE, bytes.size()) : more(decoder, bytes.size());
}

// Decodes what follows an ESC. Bytes that came with it were sent by one key
// press: a key sequence, or Alt plus a key, which does nothing. Alt plus a
// key sequence (rxvt's Alt+Up is ESC ESC "[A") is that key; after two ESCs
// any other byte begins a key of its own, a third ESC too: a held Esc and
// then Delete is no digit. A byte that came after a pause may still begin
// a sequence; any other begins a key of its own after a lone Esc, so Esc
// and then q typed a moment apart quit once.
KeyDecoded decode_escape(const KeyBytes& input) {
    std::string_view bytes = input.bytes;
    if (bytes.size() == 1)
        return input.ended ? decoded(KEY_ESCAPE, 1) : need_more(ESCAPE_BYTE_TIMEOUT_MS);
    if (begins_sequence(bytes[1]))
        return decode_sequence(input, 1, Decoder());
    if (input.together <= 1)
        return decoded(KEY_ESCAPE, 1);
    if (bytes[1] != ESC)
        return decoded(KEY_NONE, 2);
    // Only a byte sent with the two ESCs counts, so the wait is none.
    if (bytes.size() == 2)
        return input.ended ? decoded(KEY_NONE, 2) : need_more(0);
    if (input.together > 2 && begins_sequence(bytes[2]))
        return decode_sequence(input, 2, Decoder());
    return decoded(KEY_NONE, 2);
}

} // namespace

KeyDecoded key_decode(const KeyBytes& input) {
    if (input.within != WITHIN_NOTHING)
        return decode_sequence(input, 0, resumed(input.within));
    if (input.bytes.empty())
        return need_more(-1);
    if (input.bytes[0] != ESC)
        return decoded(static_cast<signed char>(input.bytes[0]), 1);
    return decode_escape(input);
}

KeyDecoded key_decoder_next(KeyDecoder& decoder, std::string_view held) {
    size_t used = 0;
    for (;;) {
        decoder.looked = std::max(decoder.looked, std::min<size_t>(1, held.size()));
        KeyDecoded answer =
            key_decode({held.substr(0, decoder.looked), std::min(decoder.together, decoder.looked),
                        decoder.ended, decoder.within});
        held.remove_prefix(answer.used);
        used += answer.used;
        decoder.looked -= answer.used;
        decoder.together -= std::min(decoder.together, answer.used);
        decoder.within = answer.within;
        if (answer.key != KEY_MORE) {
            decoder.together = SIZE_MAX;
            decoder.ended = false;
            return {answer.key, used, 0, decoder.within};
        }
        if (decoder.looked == held.size())
            return {KEY_MORE, used, answer.wait_ms, decoder.within};
        decoder.looked++;
    }
}

void key_decoder_pause(KeyDecoder& decoder) {
    decoder.together = std::min(decoder.together, decoder.looked);
}

void key_decoder_end(KeyDecoder& decoder) {
    decoder.ended = true;
}
