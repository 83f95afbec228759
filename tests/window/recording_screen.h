// A memory screen that writes down every cell write and scroll the window
// asks of it, in order, and notes any write outside its current size.
#pragma once

#include "window/memory_screen.h"
#include "window/text_window.h"

#include <string>
#include <utility>
#include <vector>

struct RecordingScreen {
    MemoryScreen* memory;
    std::vector<std::string> calls; // "put x,y attr 'c'" and "scroll n"
    int writes_outside;
    int size_questions;
};

extern const ScreenOps RECORDING_SCREEN_OPS;

// A screen and a window over it, released together.
struct RecordedWindow {
    RecordingScreen screen;
    TextWindow* window;

    RecordedWindow(int width, int height);
    ~RecordedWindow();
    RecordedWindow(const RecordedWindow&) = delete;
    RecordedWindow& operator=(const RecordedWindow&) = delete;

    std::string row(int y) const { return memory_screen_row(screen.memory, y); }
    std::vector<std::string> take_calls(); // the calls so far, forgotten here
};

std::string put_call(int x, int y, int attr, char ch);

// The window's cursor as column and row, to compare in one step.
using At = std::pair<int, int>;
inline At cursor_of(TextWindow* w) {
    return {window_get_x(w), window_get_y(w)};
}
