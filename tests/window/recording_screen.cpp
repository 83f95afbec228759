#include "recording_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

namespace {

RecordingScreen* as_recording(void* screen) {
    return static_cast<RecordingScreen*>(screen);
}

void record_put(void* screen, int x, int y, int attr, char ch) {
    RecordingScreen* recording = as_recording(screen);
    recording->calls.push_back(put_call(x, y, attr, ch));
    if (x < 0 || y < 0 || x >= recording->memory->width || y >= recording->memory->height)
        recording->writes_outside++;
    memory_screen_put_cell(recording->memory, x, y, attr, ch);
}

void record_scroll(void* screen, int n) {
    as_recording(screen)->calls.push_back("scroll " + std::to_string(n));
    memory_screen_scroll_up(as_recording(screen)->memory, n);
}

int record_width(void* screen) {
    as_recording(screen)->size_questions++;
    return as_recording(screen)->memory->width;
}

int record_height(void* screen) {
    as_recording(screen)->size_questions++;
    return as_recording(screen)->memory->height;
}

void never_called(void*) {
    ADD_FAILURE() << "the window called the first slot of ScreenOps";
}

} // namespace

const ScreenOps RECORDING_SCREEN_OPS = {never_called, record_put, record_scroll, record_width,
                                        record_height};

std::string put_call(int x, int y, int attr, char ch) {
    char text[64];
    std::snprintf(text, sizeof text, "put %d,%d %d '%c'", x, y, attr, ch);
    return text;
}

RecordedWindow::RecordedWindow(int width, int height)
    : screen{memory_screen_new(width, height), {}, 0, 0},
      window(window_new(&RECORDING_SCREEN_OPS, &screen)) {}

RecordedWindow::~RecordedWindow() {
    delete window;
    memory_screen_destroy(screen.memory);
}

std::vector<std::string> RecordedWindow::take_calls() {
    return std::exchange(screen.calls, {});
}
