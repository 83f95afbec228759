#include "line_checks.h"

#include "fuzz_check.h"

#include <algorithm>

void check_line(const std::string& line, int width) {
    FUZZ_CHECK(utf8_character_count(line) <= std::max(width, 1));
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
