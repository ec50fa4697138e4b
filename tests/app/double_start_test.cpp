// The real program started twice under SDL's offscreen driver, as a user would: the second start
// ends at once with 0, and the first runs on.
#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

TEST(DoubleStart, TheSecondStartEndsAndTheFirstRunsOn) {
    testsupport::TempFolder runtime, config;
    const std::string frames = runtime.File("frames.log");
    // Under LeakSanitizer: fontconfig keeps a piece of its configuration unreachable at exit.
    testsupport::WriteBytes(runtime.File("lsan.supp"), "leak:libfontconfig\n");
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"XDG_RUNTIME_DIR", runtime.Path()},
        {"XDG_CONFIG_HOME", config.Path()}, {"TEVRIK_PRESENT_LOG", frames},
        {"LSAN_OPTIONS", "suppressions=" + runtime.File("lsan.supp")}};
    ChildProcess first, second;
    ASSERT_TRUE(first.Start(TEVRIK_PROGRAM, environment));
    // A drawn frame means a shown window, which later starts find.
    const long long deadline = MonotonicNanoseconds() + 10'000'000'000ll;
    while (testsupport::ReadBytes(frames).empty() && first.Running() && MonotonicNanoseconds() < deadline) {
        PauseMillisecond();
    }
    ASSERT_FALSE(testsupport::ReadBytes(frames).empty());
    ASSERT_TRUE(second.Start(TEVRIK_PROGRAM, environment));
    ASSERT_TRUE(second.WaitExit(5.0));
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(first.Running());
}
