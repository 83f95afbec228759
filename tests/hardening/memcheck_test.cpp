// The game under a memory checker, driven through a pseudo-terminal: no
// invalid access, no use of an uninitialised value and no byte definitely
// lost, along the road to the finale and through games that end in death.
// Skipped where the checker is not installed, and in the sanitized build,
// beside which it cannot run.
#include "hardening/hardening.h"
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The checker slows the game down many times over.
constexpr int CHECKED_TIMEOUT_MS = 60000;

std::string find_on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        std::string candidate = dir + "/" + program;
        if (!dir.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

class MemoryCheck : public testing::Test {
  protected:
    void SetUp() override {
        if (SANITIZED_BUILD)
            GTEST_SKIP() << "the memory checker runs on the plain build";
        valgrind_ = find_on_path("valgrind");
        if (valgrind_.empty())
            GTEST_SKIP() << "valgrind is not installed";
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        log_ = testing::TempDir() + "vakna-memcheck-" + test->name() + "-" +
               std::to_string(getpid()) + ".log";
        game_ = std::make_unique<PtyGame>(std::vector<std::string>{
            valgrind_, "--tool=memcheck", "--error-exitcode=99", "--leak-check=full",
            "--errors-for-leak-kinds=definite", "--log-file=" + log_, VAKNA_DYNAMIC_BINARY});
    }

    void TearDown() override {
        game_.reset();
        if (!log_.empty())
            std::remove(log_.c_str());
    }

    void play(const std::vector<std::string>& labels) {
        for (const std::string& label : labels)
            ASSERT_NE(game_->choose(label, CHECKED_TIMEOUT_MS), 0) << label;
    }

    // The checker's exit status is 99 after any error, definite leaks
    // included; its report says what they were.
    void expect_clean_report() {
        int status = game_->wait_exit(CHECKED_TIMEOUT_MS);
        std::string report = read_file(log_);
        EXPECT_EQ(status, 0) << report;
        EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
        bool nothing_lost = report.find("definitely lost: 0 bytes") != std::string::npos ||
                            report.find("All heap blocks were freed") != std::string::npos;
        EXPECT_TRUE(nothing_lost) << report;
        EXPECT_TRUE(same_settings(game_->settings(), game_->initial_settings()));
    }

    std::string valgrind_;
    std::string log_;
    std::unique_ptr<PtyGame> game_;
};

// Two games to the finale: the menus of every scene are built and released,
// and the second game starts from the first one's leftovers.
TEST_F(MemoryCheck, RoadToTheFinaleTwice) {
    play(ROAD_TO_THE_FINALE);
    play({PLAY_AGAIN});
    play(ROAD_TO_THE_FINALE);
    play({DECLINE_TO_PLAY_AGAIN});
    expect_clean_report();
}

TEST_F(MemoryCheck, GamesToDeath) {
    play(ROAD_TO_THE_ICE_GIANT);
    play({GO_ON});
    play(concat({ROAD_TO_THE_WINDOW, Labels(4, label_to("DRILL_TWO_HOLES"))}));
    play({DECLINE_TO_GO_ON});
    expect_clean_report();
}

// Ending at a key while the scene's menu is still held.
TEST_F(MemoryCheck, QuitInTheMiddleOfAGame) {
    play({GET_UP, EAT, TAKE_ICE_DRILL});
    game_->send("q");
    expect_clean_report();
}

} // namespace
