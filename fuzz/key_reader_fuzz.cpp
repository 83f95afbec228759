// Fuzz target for the key reader: the input's bytes arrive on standard
// input through a pipe that is closed behind them, and `read_key` is called
// until the end of input. The whole sequence of codes must equal what a
// small model of the decoder gives: recognised sequences, failed ones
// replayed byte by byte (never decoded again), the cap on stray bytes in a
// console F-key sequence, negative codes for bytes above 127 and
// KEY_INTERRUPT at the end. The ring must be empty afterwards.
//
// In a pipe every byte is there at once, so the 100 ms waits for a
// sequence's further bytes end at once, at the end of input too.
#include "fuzz_check.h"
#include "fuzz_io.h"
#include "input/key_reader.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

// Well below a pipe's buffer, so the whole input is written before reading.
constexpr size_t MAX_INPUT = 16384;
// Stray bytes a console F-key sequence passes over; one more fails it.
constexpr int STRAY_LIMIT = 32;
constexpr std::uint8_t ESC = 27;

enum class Decoding { AFTER_ESC, CSI, CONSOLE_FN, TILDE };

int plain(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

// A byte that completes or continues a sequence, and the key it stands for.
struct KeyByte {
    std::uint8_t byte;
    int key;
};

// ESC "[" and one of these is an arrow key.
constexpr KeyByte ARROWS[] = {{'A', KEY_UP}, {'B', KEY_DOWN}, {'C', KEY_RIGHT}, {'D', KEY_LEFT}};
// ESC "[", one of these and "~".
constexpr KeyByte TILDE_DIGITS[] = {{'1', KEY_HOME}, {'2', KEY_INSERT},  {'3', KEY_DELETE},
                                    {'4', KEY_END},  {'5', KEY_PAGE_UP}, {'6', KEY_PAGE_DOWN}};

// The key the byte stands for in the table, or 0.
template <size_t N>
int key_of(const KeyByte (&table)[N], std::uint8_t byte) {
    for (const KeyByte& entry : table) {
        if (entry.byte == byte)
            return entry.key;
    }
    return 0;
}

// Decodes the bytes after an ESC from input[at] on. A failure leaves the
// bytes taken in ring and yields KEY_ESCAPE.
int model_decode(const std::uint8_t* input, size_t size, size_t& at,
                 std::deque<std::uint8_t>& ring) {
    std::vector<std::uint8_t> taken;
    Decoding state = Decoding::AFTER_ESC;
    int pending = 0;
    int strays = 0;
    for (;;) {
        if (at == size)
            break;
        std::uint8_t byte = input[at++];
        taken.push_back(byte);
        if (state == Decoding::AFTER_ESC && byte == '[') {
            state = Decoding::CSI;
        } else if (state == Decoding::CSI && key_of(ARROWS, byte)) {
            return key_of(ARROWS, byte);
        } else if (state == Decoding::CSI && byte == '[') {
            state = Decoding::CONSOLE_FN;
        } else if (state == Decoding::CSI && key_of(TILDE_DIGITS, byte)) {
            pending = key_of(TILDE_DIGITS, byte);
            state = Decoding::TILDE;
        } else if (state == Decoding::CONSOLE_FN && byte >= 'A' && byte <= 'E') {
            return KEY_F1 + (byte - 'A');
        } else if (state == Decoding::CONSOLE_FN && ++strays <= STRAY_LIMIT) {
            continue;
        } else if (state == Decoding::TILDE && byte == '~') {
            return pending;
        } else {
            break;
        }
    }
    ring.assign(taken.begin(), taken.end());
    return KEY_ESCAPE;
}

std::vector<int> model_codes(const std::uint8_t* input, size_t size) {
    std::vector<int> codes;
    std::deque<std::uint8_t> ring;
    size_t at = 0;
    for (;;) {
        if (!ring.empty()) {
            codes.push_back(plain(ring.front()));
            ring.pop_front();
        } else if (at == size) {
            codes.push_back(KEY_INTERRUPT);
            return codes;
        } else if (input[at] != ESC) {
            codes.push_back(plain(input[at++]));
        } else {
            at++;
            codes.push_back(model_decode(input, size, at, ring));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size > MAX_INPUT)
        return -1; // not added to the corpus
    FUZZ_CHECK(pushback_in == pushback_out);
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
    FUZZ_CHECK(pushback_in == pushback_out);
    FUZZ_CHECK(read_key() == KEY_INTERRUPT); // the end of input stays
    return 0;
}
