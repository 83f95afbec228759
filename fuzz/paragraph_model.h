// The paragraph writer and the option labels' line breaking, run on
// arbitrary texts at a width from 1 to 300, starting on a line that already
// holds some bytes. Standard output goes to a memory file, and what `say`
// writes is matched against its text piece by piece. Checked:
// - progress: every line that `say` begins at column 0 gets at least one
//   byte, so no text is measured again without end;
// - no line holds more than the width in columns, but for a single character
//   too wide for an empty line;
// - a word is cut only where no well-formed UTF-8 character is split;
// - the text's bytes appear in order, only spaces at a break left out;
// - every piece is followed by the erase sequence, and the paragraph column
//   counts the columns on the current line.
// The label lines of the chooser are checked the same way, as its drawing
// breaks them: `text_line` at the width minus `LABEL_MARGIN`.
//
// The bytes 10 and 27 of a text are replaced by letters, so that the
// writer's own newlines and erase sequences stand apart in the output. The
// input: the width (two bytes), the column, then steps, each a byte that
// picks a text to say, a new paragraph or a label, and a text as a length
// byte and its bytes. The fuzz target and the paragraph writer's tests run
// it.
#pragma once

#include <cstddef>
#include <cstdint>

// A broken property goes to fuzz_fail (fuzz_check.h).
void paragraph_run(const std::uint8_t* bytes, std::size_t size);
