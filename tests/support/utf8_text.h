// Predicates on UTF-8 text, shared by the tests and the fuzz targets that
// check laid-out lines. Pure functions: no test framework, no abort; the
// callers decide how a false result fails.
#pragma once

#include <cstddef>
#include <string>

// A byte of the form 10xxxxxx, which only continues a character.
bool utf8_is_continuation(char c);

// Bytes of the character that lead begins, as its lead byte announces them:
// 1 for ASCII, 2 to 4 for a lead byte, 0 for a byte that begins no
// character (a continuation byte, or 0xF8 and above).
int utf8_announced_length(char lead);

// Characters of text: its bytes that are not continuation bytes.
int utf8_character_count(const std::string& text);

// True when text is whole characters only: every lead byte followed by
// exactly the continuation bytes it announces.
bool utf8_is_whole(const std::string& text);

// True when a break between text[at - 1] and text[at] falls inside a
// well-formed character: its lead byte followed by all it announces.
bool utf8_splits_character(const std::string& text, std::size_t at);

// Bytes as a failure message may show them: control bytes escaped (ESC as
// \e, a carriage return as \r, a line feed as \n, others as \x1f), so that
// they neither move the cursor of the terminal that shows the log nor
// recolour it; letters as they are.
std::string escaped(const std::string& bytes);
