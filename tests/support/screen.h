// What a player sees: a terminal's screen as rows of character cells, each
// with the rendition it was written in. One screen for every test that
// checks the screen rather than the bytes: read back from a real xterm, or
// played from the game's output on a model of the terminal.
#pragma once

#include <string>
#include <vector>

// One character cell.
struct ShownCell {
    std::string text;     // one character, UTF-8
    std::vector<int> sgr; // the parameters of the rendition it was written in
};
using ScreenRow = std::vector<ShownCell>;

struct Screen {
    std::vector<ScreenRow> rows;

    // The row's characters, without trailing blanks.
    std::string text(int row) const;
    // The first row from `from` on whose text contains needle; -1 if none.
    int find(const std::string& needle, int from = 0) const;
    // The last row whose text is exactly line; -1 if none.
    int find_last_line(const std::string& line) const;
    // How many rows from `from` on contain needle.
    int count(const std::string& needle, int from = 0) const;
    // The cells of needle's first occurrence in the row; empty if absent.
    std::vector<ShownCell> cells_of(int row, const std::string& needle) const;
    // The widest row, in cells.
    int width() const;
    // Every row's text, numbered, a lit row marked: for failure messages.
    std::string dump() const;
};

// The numbers of a sequence's parameter list ("0;1;37;42"); an empty
// parameter is 0, an empty list none.
std::vector<int> sgr_parameters(const std::string& list);

// What screen_play meets as it plays, in order, for a checker that follows
// the drawing as it happens: each character written (or control byte passed
// over), each carriage return and line feed, each control sequence (its
// parameters and final byte) and each ESC that begins none, with the cursor
// where it stands after it. Each does nothing unless overridden.
struct ScreenEvents {
    virtual ~ScreenEvents() = default;
    virtual void written(const std::string& /*character*/, int /*row*/, int /*column*/) {}
    virtual void returned() {}
    virtual void line_fed(int /*row*/) {}
    virtual void sequence(const std::string& /*parameters*/, char /*final*/, int /*row*/,
                          int /*column*/) {}
    virtual void stray_escape() {}
};

// The screen after a terminal of this size has shown output from a cleared
// screen, as a VT100-family terminal does: printable UTF-8 characters one
// cell each (a broken one as far as it goes), a line wrapped when a
// character follows one in the last column, carriage return, line feed
// scrolling at the bottom, the cursor moves (CUU, CUD, CUF, CUB, CUP), the
// erases (ED, EL) and SGR. Other sequences are passed over. events, when
// given, hears of each step.
Screen screen_play(const std::string& output, int columns, int rows,
                   ScreenEvents* events = nullptr);

// True when every cell was written with this SGR parameter (and there is at
// least one cell).
bool all_cells_have(const std::vector<ShownCell>& cells, int parameter);
bool any_cell_has(const std::vector<ShownCell>& cells, int parameter);
