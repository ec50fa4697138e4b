// The real program started twice under SDL's offscreen driver, as a user would start it twice: the
// second start ends at once with 0, and the first goes on running.
#include <gtest/gtest.h>

#include <time.h>

#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(DoubleStart, TheSecondStartEndsAndTheFirstRunsOn) {
    testsupport::TempFolder runtime;
    testsupport::TempFolder config;
    const std::string frames = runtime.File("frames.log");
    const ChildProcess::Environment environment = {
        {"SDL_VIDEODRIVER", "offscreen"},  {"SDL_AUDIODRIVER", "dummy"},
        {"XDG_RUNTIME_DIR", runtime.Path()}, {"XDG_CONFIG_HOME", config.Path()},
        {"TEVRIK_PRESENT_LOG", frames},
    };
    ChildProcess first;
    ASSERT_TRUE(first.Start(TEVRIK_PROGRAM, environment));
    // Its first frame is drawn once its window is shown, and so announced to other starts.
    const long long deadline = MonotonicNanoseconds() + 10'000'000'000ll;
    while (testsupport::ReadBytes(frames).empty() && first.Running() && MonotonicNanoseconds() < deadline) {
        struct timespec pause {0, 5000000};
        nanosleep(&pause, nullptr);
    }
    ASSERT_FALSE(testsupport::ReadBytes(frames).empty()) << "the first start drew nothing";

    ChildProcess second;
    ASSERT_TRUE(second.Start(TEVRIK_PROGRAM, environment));
    ASSERT_TRUE(second.WaitExit(5.0));
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(first.Running());
}

}  // namespace
