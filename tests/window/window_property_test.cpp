// Random operation sequences on screens of random sizes: whatever a caller
// does, the window writes no cell outside the screen and keeps its cursor
// inside it (once it has moved or written after the screen changed size).
#include "recording_screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace {

struct Trial {
    std::mt19937 random;
    RecordedWindow& rw;

    int between(int low, int high) { return std::uniform_int_distribution<>(low, high)(random); }

    // Mostly small values around the screen, sometimes negative or extreme.
    int argument() {
        switch (between(0, 9)) {
        case 0:
            return INT_MAX;
        case 1:
            return INT_MIN;
        default:
            return between(-3, 20);
        }
    }

    std::string text() {
        static const char BYTES[] = "abc   \t\n\r\b\a\xC3\xA5xyzw";
        std::string text;
        int length = between(0, 30);
        for (int i = 0; i < length; i++)
            text += BYTES[between(0, sizeof BYTES - 2)];
        return text;
    }

    // Runs one random operation; true when it must have brought the cursor
    // inside the screen's current size.
    bool step() {
        TextWindow* w = rw.window;
        const TextWindowTable& ops = TextWindowOps;
        std::string words = text();
        switch (between(0, 19)) {
        case 0:
            ops.window_set_cursor(w, argument(), argument());
            return true;
        case 1:
            ops.window_cursor_up(w, argument());
            return true;
        case 2:
            ops.window_cursor_down(w, argument());
            return true;
        case 3:
            ops.window_cursor_left(w, argument());
            return true;
        case 4:
            ops.window_cursor_right(w, argument());
            return true;
        case 5:
            ops.window_set_fg(w, between(0, 15));
            return false;
        case 6:
            ops.window_set_bg(w, between(0, 15));
            return false;
        case 7:
            ops.window_set_attr(w, argument());
            return false;
        case 8:
        case 9:
            ops.window_putc(w, words.empty() ? 'z' : words[0]);
            return true;
        case 10:
            ops.window_clear(w);
            return false;
        case 11:
            ops.window_clear_eol(w);
            return true;
        case 12:
            window_puts(w, words.c_str());
            return !words.empty();
        case 13: {
            int n = argument();
            window_put_n(w, words.c_str(), n);
            return !words.empty() && n != 0;
        }
        case 14:
        case 15:
        case 16:
            window_put_wrapped(w, words.c_str());
            return !words.empty();
        case 17:
            memory_screen_resize(rw.screen.memory, between(1, 12), between(1, 6));
            return false;
        default: // the attribute stays one byte whatever came before
            EXPECT_TRUE(ops.window_get_fg(w) >= 0 && ops.window_get_fg(w) <= 15);
            EXPECT_TRUE(ops.window_get_bg(w) >= 0 && ops.window_get_bg(w) <= 15);
            return false;
        }
    }
};

} // namespace

TEST(WindowProperty, RandomOperationsNeverLeaveTheScreen) {
    for (unsigned seed = 1; seed <= 400; seed++) {
        std::mt19937 random(seed);
        int width = seed <= 20 ? 1 : std::uniform_int_distribution<>(1, 12)(random);
        int height = seed <= 20 ? 1 : std::uniform_int_distribution<>(1, 6)(random);
        RecordedWindow rw(width, height);
        Trial trial{random, rw};
        bool settled = true;
        for (int i = 0; i < 200; i++) {
            bool followed = trial.step();
            settled = followed || (settled && rw.screen.memory->width == width &&
                                   rw.screen.memory->height == height);
            width = rw.screen.memory->width;
            height = rw.screen.memory->height;
            ASSERT_EQ(rw.screen.writes_outside, 0) << "seed " << seed << " step " << i;
            for (const std::string& call : rw.take_calls())
                ASSERT_TRUE(call.rfind("put ", 0) == 0 || call == "scroll 1") << call;
            if (!settled)
                continue;
            ASSERT_GE(rw.window->x, 0) << "seed " << seed << " step " << i;
            ASSERT_LT(rw.window->x, width) << "seed " << seed << " step " << i;
            ASSERT_GE(rw.window->y, 0) << "seed " << seed << " step " << i;
            ASSERT_LT(rw.window->y, height) << "seed " << seed << " step " << i;
        }
    }
}
