#include "support/utf8_text.h"

#include <algorithm>
#include <cstdio>

bool utf8_is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int utf8_announced_length(char lead) {
    unsigned char b = static_cast<unsigned char>(lead);
    if (b < 0x80)
        return 1;
    if (b < 0xC0)
        return 0;
    if (b < 0xE0)
        return 2;
    if (b < 0xF0)
        return 3;
    if (b < 0xF8)
        return 4;
    return 0;
}

int utf8_character_count(const std::string& text) {
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !utf8_is_continuation(c); }));
}

bool utf8_is_whole(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = static_cast<std::size_t>(utf8_announced_length(text[i]));
        if (length == 0 || i + length > text.size())
            return false;
        std::size_t end = i + length;
        for (++i; i < end; ++i)
            if (!utf8_is_continuation(text[i]))
                return false;
    }
    return true;
}

bool utf8_splits_character(const std::string& text, std::size_t at) {
    for (std::size_t lead = at > 3 ? at - 3 : 0; lead < at; lead++) {
        std::size_t length = static_cast<std::size_t>(utf8_announced_length(text[lead]));
        // Only a lead byte whose character reaches past the break can be
        // split by it.
        if (length < 2 || lead + length <= at || lead + length > text.size())
            continue;
        bool whole = true;
        for (std::size_t i = lead + 1; i < lead + length; i++)
            whole = whole && utf8_is_continuation(text[i]);
        if (whole)
            return true;
    }
    return false;
}

// Bytes from 0x80 up are left alone: UTF-8 letters reach the reader as
// letters.
std::string escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == 0x1b)
            out += "\\e";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        } else
            out += static_cast<char>(c);
    }
    return out;
}
