// Fuzz target for the paragraph writer and the option labels' line breaking:
// arbitrary texts at a width from 1 to 300, starting on a line that already
// holds some bytes. Standard output goes to a memory file, and what `say`
// writes is matched against its text piece by piece. Checked:
// - progress: every line that `say` begins at column 0 gets at least one
//   byte, so no text is measured again without end;
// - no line holds more than the width in bytes, not counting spaces at its
//   end (a joining space may stand past a line filled to the edge), but for
//   a single character too wide for an empty line;
// - a word is cut only where no well-formed UTF-8 character is split;
// - the text's bytes appear in order, only spaces at a break left out;
// - every piece is followed by the erase sequence, and `out_column` counts
//   the bytes on the current line.
// The label lines of the chooser are checked the same way, as its drawing
// breaks them: `fit_or_cut_length` at the width minus 5.
//
// The bytes 10 and 27 of a text are replaced by letters, so that the
// writer's own newlines and erase sequences stand apart in the output.
#include "byte_reader.h"
#include "fuzz_check.h"
#include "session/terminal_width.h"
#include "term/paragraph.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string ERASE = "\x1b[K";
constexpr int LABEL_MARGIN = 5;
constexpr int UTF8_MAX_BYTES = 4;

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

// True when a break between text[at - 1] and text[at] falls inside a
// well-formed character: its lead byte followed by all it announces.
bool splits_character(const std::string& text, size_t at) {
    for (size_t lead = at > 3 ? at - 3 : 0; lead < at; lead++) {
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

// One character as the writer takes it when nothing else fits: a byte and
// the continuation bytes after it, at most four in all.
bool is_single_character(const std::string& piece) {
    if (piece.empty() || piece.size() > UTF8_MAX_BYTES)
        return false;
    for (size_t i = 1; i < piece.size(); i++) {
        if (!is_continuation(piece[i]))
            return false;
    }
    return true;
}

std::string without_trailing_spaces(const std::string& line) {
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

// A line holds no more than width bytes but for spaces at its end, or one
// character alone.
void check_line(const std::string& line, int width) {
    std::string shown = without_trailing_spaces(line);
    if (static_cast<int>(shown.size()) <= std::max(width, 0))
        return;
    FUZZ_CHECK(is_single_character(shown));
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

// Standard output, a memory file from the first input on.
int capture_fd = -1;
size_t captured = 0;

void start_capture() {
    std::fflush(stdout);
    if (capture_fd < 0) {
        capture_fd = memfd_create("paragraph_fuzz", 0);
        FUZZ_CHECK(capture_fd >= 0 && dup2(capture_fd, STDOUT_FILENO) == STDOUT_FILENO);
    }
    FUZZ_CHECK(ftruncate(capture_fd, 0) == 0);
    FUZZ_CHECK(lseek(STDOUT_FILENO, 0, SEEK_SET) == 0);
    captured = 0;
}

// What was written since the last call.
std::string take_output() {
    std::fflush(stdout);
    std::string out;
    char buffer[4096];
    for (;;) {
        ssize_t n = pread(capture_fd, buffer, sizeof buffer, static_cast<off_t>(captured));
        FUZZ_CHECK(n >= 0);
        if (n == 0)
            return out;
        out.append(buffer, static_cast<size_t>(n));
        captured += static_cast<size_t>(n);
    }
}

// line: the bytes on the screen line the writer is on.
void check_say(std::string& line, int width, const std::string& text) {
    say(text.c_str());
    std::string out = take_output();
    size_t at = 0; // in out
    if (!line.empty()) {
        FUZZ_CHECK(out[0] == ' ');
        line += ' ';
        at = 1;
    }
    size_t p = 0; // in text
    for (;;) {
        size_t erase = out.find(ERASE, at);
        FUZZ_CHECK(erase != std::string::npos);
        std::string piece = out.substr(at, erase - at);
        FUZZ_CHECK(text.compare(p, piece.size(), piece) == 0);
        FUZZ_CHECK(!piece.empty() || !line.empty() || p == text.size());
        line += piece;
        check_line(line, width);
        p += piece.size();
        size_t cut = p;
        while (p < text.size() && text[p] == ' ')
            p++;
        at = erase + ERASE.size();
        if (at == out.size())
            break;
        FUZZ_CHECK(out[at] == '\n');
        at++;
        if (cut == p && !piece.empty())
            FUZZ_CHECK(!splits_character(text, cut));
        line.clear();
    }
    FUZZ_CHECK(p == text.size());
    FUZZ_CHECK(out_column == static_cast<int>(line.size()));
}

void check_new_paragraph(std::string& line) {
    new_paragraph();
    std::string out = take_output();
    FUZZ_CHECK(out == (line.empty() ? " " : "\n "));
    line = " ";
    FUZZ_CHECK(out_column == 1);
}

// The lines of an option's label, as the chooser draws them.
void check_label(int width, const std::string& label) {
    int free = width - LABEL_MARGIN;
    const char* rest = label.c_str();
    for (;;) {
        int fit = fit_length(rest, -1, free);
        int n = fit_or_cut_length(rest, free);
        FUZZ_CHECK(fit == 0 || n == fit);
        FUZZ_CHECK(n >= 1 || *rest == '\0');
        std::string piece(rest, static_cast<size_t>(n));
        check_line(piece, free);
        rest += n;
        size_t offset = static_cast<size_t>(rest - label.c_str());
        if (n > 0 && *rest != ' ' && *rest != '\0')
            FUZZ_CHECK(!splits_character(label, offset));
        while (*rest == ' ')
            rest++;
        if (*rest == '\0')
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    ByteReader data{bytes, size, 0};
    int low = reader_byte(data);
    int width = 1 + (low | reader_byte(data) << 8) % 300;
    int column = reader_byte(data) % (width + 1);
    TERM_WIDTH = width;
    out_column = column;
    std::string line(static_cast<size_t>(column), 'x');
    start_capture();
    while (!reader_done(data)) {
        switch (reader_pick(data, 3)) {
        case 0:
            check_say(line, width, take_text(data));
            break;
        case 1:
            check_new_paragraph(line);
            break;
        default:
            check_label(width, take_text(data));
            break;
        }
    }
    return 0;
}
