// The turns said, as the story says them and as a new size writes them
// again.
#include "menu/turn_store.h"
#include "support/stdio_redirect.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const std::string EL = "\x1b[K";

// What body writes on a terminal of the given width, with the current line
// already holding column plain letters.
std::string written(int width, int column, const std::function<void()>& body) {
    term_set_window({width, 0});
    paragraph_at_column(column);
    return capture_stdout(body);
}

} // namespace

TEST(TurnStoreTest, StorySceneFlowsAsOneParagraphUntilTheNext) {
    std::string out = written(20, 0, [] {
        story_paragraph();
        story_say("Du står i ett litet rum.");
        story_say("Ett hav.");
        story_paragraph();
        story_say("Slut.");
    });
    EXPECT_EQ(out,
              "  Du står i ett" + EL + "\nlitet rum." + EL + " Ett hav." + EL + "\n  Slut." + EL);
    EXPECT_EQ(paragraph_column(), 7);
}

// Earlier turns oldest first, as many whole ones as the budget holds.
TEST(TurnStoreTest, ReplayWritesTheRememberedTurnsWithinTheBudget) {
    std::string a(8000, 'a'), b(8000, 'b'), c(SAID_BUDGET - 16000, 'c');
    written(20000, 0, [&] {
        story_say(std::string(SAID_BUDGET, 'x').c_str()); // fills the budget alone
        for (const std::string* text : {&a, &b, &c}) {
            end_turn();
            story_say(text->c_str());
        }
    });
    auto replayed = [] { return written(20000, 5, [] { replay_turns(); }); };
    EXPECT_EQ(replayed(), a + EL + "\n\n" + b + EL + "\n\n" + c + EL);
    written(20000, 0, [] { story_say("d"); });
    EXPECT_EQ(replayed(), b + EL + "\n\n" + c + EL + " d" + EL);
}
