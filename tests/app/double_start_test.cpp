// The real program started as a user would: twice under SDL's offscreen driver, where the second
// start ends at once with 0 and the first runs on; and where there is no display.
#include <gtest/gtest.h>

#include <filesystem>

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

// Nothing to show on and no driver asked for: one line says so, and the program ends with a failure
// before it takes the single-instance slot.
TEST(DoubleStart, WithoutADisplayTheProgramSaysSoAndEnds) {
    testsupport::TempFolder runtime, config;
    testsupport::WriteBytes(runtime.File("lsan.supp"), "leak:libfontconfig\n");
    ChildProcess program;
    program.Without({"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
    ASSERT_TRUE(program.Start(TEVRIK_PROGRAM,
                              {{"SDL_AUDIODRIVER", "dummy"},
                               {"XDG_RUNTIME_DIR", runtime.Path()},
                               {"XDG_CONFIG_HOME", config.Path()},
                               {"LSAN_OPTIONS", "suppressions=" + runtime.File("lsan.supp") + ":print_suppressions=0"}},
                              {}, runtime.File("printed")));
    ASSERT_TRUE(program.WaitExit(10.0));
    EXPECT_EQ(program.ExitCode(), 1);
    EXPECT_EQ(testsupport::ReadBytes(runtime.File("printed")),
              "tevrik: no display: set DISPLAY, or SDL_VIDEODRIVER=offscreen to run without a screen\n");
    EXPECT_FALSE(std::filesystem::exists(runtime.File("tevrik-windows")));
}
