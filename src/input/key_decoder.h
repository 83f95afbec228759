// The decoder of what a terminal sends for keys: a pure function from the
// bytes the key reader holds to the key they begin with and how many of
// them it takes, or "more needed" with the time to allow for the next byte.
// It never waits, reads or remembers: the reader waits and asks again with
// more bytes, or tells it that no more are coming.
#pragma once

#include "input/key_codes.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Time allowed for the byte after an ESC that came alone; none within it
// makes a lone Esc.
constexpr int ESCAPE_BYTE_TIMEOUT_MS = 100;
// Time allowed for each further byte once "[" or "O" (or "]", "P", "_" or
// "^", which begin a terminal's string) has followed the ESC: a key
// sequence cut by a slow link still arrives as its key. A paste has none.
constexpr int SEQUENCE_BYTE_TIMEOUT_MS = 1000;
// Stray bytes a console F-key sequence may pass over; with one more it is
// past its length limit.
constexpr int MAX_CONSOLE_FN_STRAY = 32;
// Longest key sequence, its ESC included, that the decoder takes; a longer
// one is passed over up to its final byte, and none of its bytes is a key.
// (The console F-key sequence counts its stray bytes instead.)
constexpr int MAX_SEQUENCE_BYTES = 32;

// The decoder's answers besides a key, unlike every byte and key code.
constexpr int KEY_NONE = INT_MIN;     // the bytes taken make no key the game uses
constexpr int KEY_MORE = INT_MIN + 1; // the answer needs the next byte

// Three things have no length limit: a paste, a terminal's string and a
// sequence past its limit. The decoder drops their bytes as they come and
// says that it is within one, for the reader to hand back with the next.
enum KeyWithin : unsigned char {
    WITHIN_NOTHING,
    WITHIN_PASTE,
    WITHIN_STRING,
    WITHIN_LONG_SEQUENCE,
};

// What the reader knows.
struct KeyBytes {
    std::string_view bytes; // held and not yet taken, the next key's first byte first
    // How many of them came with the first, before the reader had to pause
    // for more: ESC and q together are Alt+q, a moment apart Esc and q.
    size_t together;
    // Nothing more is coming: the time allowed passed, the input ended, or
    // an interrupt came.
    bool ended;
    KeyWithin within;
};

struct KeyDecoded {
    int key;          // a key code, a byte as a signed value, KEY_NONE or KEY_MORE
    size_t used;      // bytes taken from the front; with KEY_MORE, those dropped so far
    int wait_ms;      // with KEY_MORE, the time allowed for the next byte; negative: no limit
    KeyWithin within; // for the next call
};

// Decodes the key that the bytes begin with. With ended it never answers
// KEY_MORE, and a sequence cut short is dropped whole.
KeyDecoded key_decode(const KeyBytes& input);

// What the decoder knows of the key it is in the middle of, between calls:
// its reader keeps one, and hands it back with the bytes it holds each time.
struct KeyDecoder {
    size_t looked = 0;          // of the bytes held, how many the key has begun with
    size_t together = SIZE_MAX; // of those, how many came with its first byte
    bool ended = false;         // nothing more is coming for it
    KeyWithin within = WITHIN_NOTHING;
};

// The key that the bytes held begin with, looking at one more of them at a
// time while it needs more: a key, KEY_NONE, or KEY_MORE once it has looked
// at every byte held, with the time to allow for the next. used says how
// many bytes to drop from the front, in every answer.
KeyDecoded key_decoder_next(KeyDecoder& decoder, std::string_view held);
// The reader is about to wait for more: bytes that come after the wait did
// not come together with the key's first.
void key_decoder_pause(KeyDecoder& decoder);
// Nothing more is coming (the time allowed passed, the input ended, an
// interrupt came): the next call answers without KEY_MORE.
void key_decoder_end(KeyDecoder& decoder);
