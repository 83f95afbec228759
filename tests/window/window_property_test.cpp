// Random operation sequences on screens of random sizes, mostly small:
// whatever a caller does, the window writes no cell outside the screen,
// keeps its cursor inside it, and follows the fuzz target's model.
#include "support/model_runs.h"
#include "text_window_model.h"

#include <gtest/gtest.h>

TEST(WindowProperty, RandomOperationsNeverLeaveTheScreen) {
    expect_model_holds(text_window_run, 400, random_bytes(400, 64));
}
