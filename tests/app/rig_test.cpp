// What later screen tests lean on in the rig: a tap by skin path lands where the skin says, the
// session's writes can be captured, a demo user signs in against the service stand-in (the reset
// clears the signed-in flag again), and local time moves only with the test clock.
#include <gtest/gtest.h>

#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/protocol/Reset.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

TEST(Rig, DemoUserSignsInCapturedWritesAndFixedLocalTime) {
    MessengerRig rig;
    SYSTEMTIME now{};
    rig.Clock().AdvanceBlocked(9 * 3600 * 1000 + 30 * 60 * 1000 + 1500);
    GetLocalTime(&now);
    EXPECT_EQ(std::vector<int>({now.wYear, now.wMonth, now.wDay, now.wDayOfWeek, now.wHour, now.wSecond,
                                now.wMilliseconds}),
              std::vector<int>({2024, 3, 16, 6, 0, 1, 500}));
    ASSERT_TRUE(rig.Start());
    rig.Tap({L"MenuBar", L"SipButton"});
    const RECT bar = ScreenSkin::Rect({L"MenuBar"}), button = ScreenSkin::Rect({L"MenuBar", L"SipButton"});
    EXPECT_EQ(QeMainWindow::Instance()->lastPenX, bar.left + (button.left + button.right) / 2);
    EXPECT_EQ(QeMainWindow::Instance()->lastPenY, bar.top + (button.top + button.bottom) / 2);
    rig.ConnectCaptured(0);
    EXPECT_EQ(rig.SentText(), "PVER 1 1.0.2 2.0 ko.wm\r\n");
    rig.Stop();

    MessengerRig signedIn;
    ASSERT_TRUE(signedIn.Start() && signedIn.StartService());
    ASSERT_TRUE(signedIn.SignIn(L"minsu@tevrik.example", L"1234"));
    EXPECT_NE(signedIn.Service().SignedInConnection("minsu@tevrik.example"), 0);
    ResetToLogin();
    EXPECT_FALSE(signedIn.App().SignedIn());
}
