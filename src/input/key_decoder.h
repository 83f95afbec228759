// The decoder of terminal key sequences: the bytes after an ESC, one at a
// time, to the key they name.
#pragma once

#include "input/key_reader.h"

#include <climits>
#include <string_view>

// The decoder follows the grammar of a terminal's key sequences: ESC "[",
// parameter bytes, intermediate bytes and one final byte, or ESC "O",
// parameter bytes and one final byte. It keeps the parameter bytes, and once
// the final byte has come it looks the key up by them. What a terminal sends
// that no key made is taken whole and dropped: a string (OSC, DCS, APC, PM)
// up to its end, an X10 mouse report, and a bracketed paste.
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
// Complete, but a key the game has no use for. It leaves the decoder as the
// result of a read, so it must differ from every plain byte and key code.
constexpr int IGNORED = INT_MIN;

struct Decoder {
    DecoderState state = AFTER_ESC;
    int length = 1;                  // bytes so far, its ESC included, up to the limit
    char params[MAX_SEQUENCE_BYTES]; // the length limit keeps them within
    int param_count = 0;
    int strays = 0; // bytes passed over in CONSOLE_FN
    int taken = 0;  // MOUSE_REPORT: its bytes so far; PASTE: bytes of its end matched

    std::string_view parameters() const { return {params, static_cast<size_t>(param_count)}; }
};

// Feeds the next byte after the ESC: returns the key of a completed
// sequence, IGNORED, GO_ON, or FAIL. After a FAIL the byte begins the next
// key if it is an ESC; in STRING_ESC the string's ESC and the byte do.
int decoder_step(Decoder& decoder, char byte);

// Milliseconds allowed for the next byte; negative: no limit (a paste may
// come as slowly as it likes).
int decoder_time_limit(const Decoder& decoder);

// Whether the byte after the ESC begins a sequence or a string.
bool begins_sequence(char byte);
