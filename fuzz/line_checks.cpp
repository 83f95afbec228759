#include "line_checks.h"

#include "fuzz_check.h"

#include <algorithm>

namespace {

constexpr std::size_t UTF8_MAX_BYTES = 4;

bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Continuation bytes a lead byte announces; -1 for a byte that leads nothing.
int continuations_after(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0xC0 && b < 0xE0)
        return 1;
    if (b >= 0xE0 && b < 0xF0)
        return 2;
    if (b >= 0xF0 && b < 0xF8)
        return 3;
    return -1;
}

} // namespace

bool splits_character(const std::string& text, std::size_t at) {
    for (std::size_t lead = at > 3 ? at - 3 : 0; lead < at; lead++) {
        int k = continuations_after(text[lead]);
        if (k < 0 || lead + k < at || lead + k >= text.size())
            continue;
        bool whole = true;
        for (int i = 1; i <= k; i++)
            whole = whole && is_continuation(text[lead + i]);
        if (whole)
            return true;
    }
    return false;
}

int character_count(const std::string& text) {
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !is_continuation(c); }));
}

bool is_single_character(const std::string& piece) {
    if (piece.empty() || piece.size() > UTF8_MAX_BYTES)
        return false;
    return std::all_of(piece.begin() + 1, piece.end(), is_continuation);
}

void check_line(const std::string& line, int width) {
    if (static_cast<int>(line.size()) <= std::max(width, 0))
        return;
    FUZZ_CHECK(is_single_character(line));
}

std::string take_text(ByteReader& data) {
    int length = reader_byte(data);
    std::string text;
    for (int i = 0; i < length && !reader_done(data); i++) {
        char c = static_cast<char>(reader_byte(data));
        text += c == '\n' ? 'n' : c == '\x1b' ? 'e' : c;
    }
    return text.substr(0, text.find('\0'));
}
