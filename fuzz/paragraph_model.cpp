#include "paragraph_model.h"

#include "byte_reader.h"
#include "fuzz_check.h"
#include "line_checks.h"
#include "menu/chooser.h"
#include "support/output_capture.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <algorithm>
#include <string>

namespace {

const std::string ERASE = "\x1b[K";

// line: the bytes on the screen line the writer is on.
void check_say(OutputCapture& capture, std::string& line, int width, const std::string& text) {
    say(text.c_str());
    std::string out = capture.take();
    size_t at = 0; // in out
    if (utf8_character_count(line) >= width) {
        // A full line: its break, not a joining space, leads to the text.
        FUZZ_CHECK(out[0] == '\n');
        line.clear();
        at = 1;
    } else if (utf8_character_count(line) > 0) {
        FUZZ_CHECK(out[0] == ' ');
        line += ' ';
        at = 1;
    }
    size_t p = 0; // in text
    for (;;) {
        // A piece ends in the erase, or at the break or the end when its
        // line is full: there the erase would take the last letter.
        size_t end = std::min({out.find(ERASE, at), out.find('\n', at), out.size()});
        bool erased = out.compare(end, ERASE.size(), ERASE) == 0;
        std::string piece = out.substr(at, end - at);
        FUZZ_CHECK(text.compare(p, piece.size(), piece) == 0);
        FUZZ_CHECK(!piece.empty() || !line.empty() || p == text.size());
        line += piece;
        check_line(line, width);
        FUZZ_CHECK(erased == (utf8_character_count(line) != width));
        p += piece.size();
        size_t cut = p;
        while (p < text.size() && text[p] == ' ')
            p++;
        at = end + (erased ? ERASE.size() : 0);
        if (at == out.size())
            break;
        FUZZ_CHECK(out[at] == '\n');
        at++;
        if (cut == p && !piece.empty())
            FUZZ_CHECK(!utf8_splits_character(text, cut));
        line.clear();
    }
    FUZZ_CHECK(p == text.size());
    FUZZ_CHECK(paragraph_column() == utf8_character_count(line));
}

void check_new_paragraph(OutputCapture& capture, std::string& line) {
    new_paragraph();
    std::string out = capture.take();
    FUZZ_CHECK(out == (utf8_character_count(line) == 0 ? " " : "\n "));
    line = " ";
    FUZZ_CHECK(paragraph_column() == 1);
}

// The lines of an option's label, as the chooser draws them.
void check_label(int width, const std::string& label) {
    int free = width - LABEL_MARGIN;
    const char* rest = label.c_str();
    for (;;) {
        int fit = fit_length(rest, -1, free);
        int n = text_line(rest, free, true).bytes;
        FUZZ_CHECK(fit == 0 || n == fit);
        FUZZ_CHECK(n >= 1 || *rest == '\0');
        std::string piece(rest, static_cast<size_t>(n));
        check_line(piece, free);
        rest += n;
        size_t offset = static_cast<size_t>(rest - label.c_str());
        if (n > 0 && *rest != ' ' && *rest != '\0')
            FUZZ_CHECK(!utf8_splits_character(label, offset));
        while (*rest == ' ')
            rest++;
        if (*rest == '\0')
            return;
    }
}

} // namespace

void paragraph_run(const std::uint8_t* bytes, std::size_t size) {
    ByteReader data{bytes, size, 0};
    int low = reader_byte(data);
    int width = 1 + (low | reader_byte(data) << 8) % 300;
    int column = reader_byte(data) % (width + 1);
    term_set_window({width, term_window().rows});
    paragraph_at_column(column);
    std::string line(static_cast<size_t>(column), 'x');
    OutputCapture capture;
    while (!reader_done(data)) {
        switch (reader_pick(data, 3)) {
        case 0:
            check_say(capture, line, width, take_text(data));
            break;
        case 1:
            check_new_paragraph(capture, line);
            break;
        default:
            check_label(width, take_text(data));
            break;
        }
    }
}
