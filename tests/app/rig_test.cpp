// The rig's own promises that later screen tests lean on: a demo user signs in against the service
// stand-in, the session's writes can be captured instead, and local time stands still with the
// test clock.
#include <gtest/gtest.h>

#include "messenger/protocol/Reset.h"
#include "platform/system/systime.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

TEST(Rig, DemoUserSignsInAgainstTheServiceAndTheResetClearsTheFlag) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.StartService());
    EXPECT_FALSE(rig.App().SignedIn());
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    EXPECT_NE(rig.Service().SignedInConnection("minsu@tevrik.example"), 0);
    ResetToLogin();
    EXPECT_FALSE(rig.App().SignedIn());
}

TEST(Rig, CapturedSessionKeepsWhatTheProgramSends) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    rig.CaptureSessionWrites();
    rig.ConnectCaptured(0);
    EXPECT_EQ(rig.SentText(), "PVER 1 1.0.2 2.0 ko.wm\r\n");
}

TEST(Rig, LocalTimeStandsStillUntilTheTestClockMoves) {
    MessengerRig rig;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_EQ(std::vector<int>({now.wYear, now.wMonth, now.wDay, now.wDayOfWeek, now.wHour, now.wMinute, now.wSecond}),
              std::vector<int>({2024, 3, 15, 5, 14, 30, 0}));
    rig.Clock().AdvanceBlocked(9 * 3600 * 1000 + 30 * 60 * 1000 + 1500);
    GetLocalTime(&now);
    EXPECT_EQ(std::vector<int>({now.wYear, now.wMonth, now.wDay, now.wDayOfWeek, now.wHour, now.wMinute, now.wSecond,
                                now.wMilliseconds}),
              std::vector<int>({2024, 3, 16, 6, 0, 0, 1, 500}));
}

}  // namespace
