// Checks on the lines that the paragraph writer and the chooser lay out:
// byte widths, and cuts that must not split a UTF-8 character.
#pragma once

#include "byte_reader.h"

#include <cstddef>
#include <string>

// True when a break between text[at - 1] and text[at] falls inside a
// well-formed UTF-8 character: its lead byte followed by all it announces.
bool splits_character(const std::string& text, std::size_t at);

// One character as the writers take it when nothing else fits: a byte and
// the continuation bytes after it, at most four in all.
bool is_single_character(const std::string& piece);

// Characters of text: its bytes that are not UTF-8 continuation bytes.
int character_count(const std::string& text);

// Fails unless the line holds no more than width bytes, or one character
// alone.
void check_line(const std::string& line, int width);

// A text of up to 255 bytes, cut at a NUL. Its newline and escape bytes are
// replaced by letters, so that a writer's own newlines and escape sequences
// stand apart in the output.
std::string take_text(ByteReader& data);
