#include "platform/windows/metrics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class ScreenSetting : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TEVRIK_SCREEN")) {
            m_hadOld = true;
            m_old = old;
        }
    }
    void TearDown() override {
        if (m_hadOld) {
            setenv("TEVRIK_SCREEN", m_old.c_str(), 1);
        } else {
            unsetenv("TEVRIK_SCREEN");
        }
    }
    static std::pair<int, int> Screen() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

    bool m_hadOld = false;
    std::string m_old;
};

TEST_F(ScreenSetting, TheEnvironmentChoosesTheScreen) {
    unsetenv("TEVRIK_SCREEN");
    EXPECT_EQ(std::make_pair(480, 640), Screen());
    setenv("TEVRIK_SCREEN", "", 1);
    EXPECT_EQ(std::make_pair(480, 640), Screen());
    setenv("TEVRIK_SCREEN", "240x320", 1);
    EXPECT_EQ(std::make_pair(240, 320), Screen());
    setenv("TEVRIK_SCREEN", "1X16384", 1);
    EXPECT_EQ(std::make_pair(1, 16384), Screen());
    EXPECT_EQ(0, GetSystemMetrics(2));
    EXPECT_EQ(0, GetSystemMetrics(-1));
}

TEST_F(ScreenSetting, MalformedSettingsFallBackAndAreReportedOnce) {
    testing::internal::CaptureStderr();
    for (const char* bad : {"800", "0x600", "800x0", "800x600x1", "abcxdef", "16385x10", "-1x5", "800 x 600",
                            "800x", "99999999999999999999x1"}) {
        setenv("TEVRIK_SCREEN", bad, 1);
        EXPECT_EQ(std::make_pair(480, 640), Screen()) << bad;
    }
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("TEVRIK_SCREEN=\"800\" is not WIDTHxHEIGHT"));
    EXPECT_EQ(message.find("TEVRIK_SCREEN"), message.rfind("TEVRIK_SCREEN"));
}

}  // namespace
