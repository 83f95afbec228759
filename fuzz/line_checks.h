// Checks on the lines that the paragraph writer and the chooser lay out:
// widths in columns, and cuts that must not split a UTF-8 character (the
// predicates themselves are shared with the tests).
#pragma once

#include "byte_reader.h"
#include "support/utf8_text.h"

#include <string>

// Fails unless the line holds no more than width characters, or one character
// alone.
void check_line(const std::string& line, int width);

// A text of up to 255 bytes, cut at a NUL. Its newline and escape bytes are
// replaced by letters, so that a writer's own newlines and escape sequences
// stand apart in the output.
std::string take_text(ByteReader& data);
