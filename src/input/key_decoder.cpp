#include "input/key_decoder.h"

#include <algorithm>

namespace {

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
    return IGNORED;
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
    return IGNORED;
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
        return IGNORED;
    if (final == '~')
        return numbered_key(first);
    // F1 to F4 end in "P" to "S" only behind a modifier.
    if (params.empty() && (final < 'P' || final > 'S'))
        return letter_key(final);
    return modified && first == "1" ? letter_key(final) : IGNORED;
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
    return is_final_byte(byte) ? IGNORED : FAIL;
}

bool begins_string(char byte) {
    return byte == ']' || byte == 'P' || byte == '_' || byte == '^';
}

// A string ends at BEL or at ST (ESC "\\"), however long. Any other byte
// after its ESC ends it too, and that ESC begins the next key.
int string_step(Decoder& decoder, char byte) {
    if (decoder.state == STRING_ESC)
        return byte == '\\' ? IGNORED : FAIL;
    if (byte == '\a')
        return IGNORED;
    return byte == 27 ? go_to(decoder, STRING_ESC) : GO_ON;
}

// Everything up to the first ESC "[201~" is pasted text, keys and escape
// sequences alike.
int paste_step(Decoder& decoder, char byte) {
    if (byte == PASTE_ENDS[decoder.taken])
        decoder.taken++;
    else
        decoder.taken = byte == PASTE_ENDS[0] ? 1 : 0;
    return decoder.taken == static_cast<int>(PASTE_ENDS.size()) ? IGNORED : GO_ON;
}

} // namespace

bool begins_sequence(char byte) {
    return byte == '[' || byte == 'O' || begins_string(byte);
}

int decoder_time_limit(const Decoder& decoder) {
    return decoder.state == PASTE ? -1 : SEQUENCE_BYTE_TIMEOUT_MS;
}

int decoder_step(Decoder& decoder, char byte) {
    if (decoder.state == STRING || decoder.state == STRING_ESC)
        return string_step(decoder, byte);
    if (decoder.state == PASTE)
        return paste_step(decoder, byte);
    // An ESC always begins a key: no sequence holds one.
    if (byte == 27)
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
        return is_final_byte(byte) ? IGNORED : FAIL;
    case SS3:
        if (is_parameter_byte(byte))
            return keep_parameter(decoder, byte);
        return is_final_byte(byte) ? letter_key(byte) : FAIL;
    case CONSOLE_FN:
        if (byte >= 'A' && byte <= 'E')
            return KEY_F1 + (byte - 'A');
        return ++decoder.strays <= MAX_CONSOLE_FN_STRAY ? GO_ON : FAIL;
    case MOUSE_REPORT:
        return ++decoder.taken == MOUSE_REPORT_BYTES ? IGNORED : GO_ON;
    default:
        return FAIL;
    }
}
