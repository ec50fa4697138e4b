// The device services' own answers to bad requests, and the headless presenter's sounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/device.h"
#include "platform/windows/window.h"

namespace {

using Lines = std::vector<std::wstring>;

// A program that runs for long makes calls without end: the record keeps the newest.
TEST(DeviceTest, TheRecordKeepsTheNewestCalls) {
    ResetDevices();
    for (UINT n = 0; n <= kDeviceCallsKept; ++n) NLedGetDeviceInfo(n + 100, nullptr);
    const Lines calls = DeviceCalls();
    EXPECT_EQ(Lines({calls.front(), calls.back()}), Lines({L"NLedGetDeviceInfo(101)", L"NLedGetDeviceInfo(1100)"}));
}

TEST(DeviceTest, BadRequestsAreRefusedAndStillRecorded) {
    ResetDevices();
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO) - 1;
    EXPECT_FALSE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0)) << "a record of the wrong size";
    info.cbSize = sizeof(SIPINFO);
    EXPECT_FALSE(SHSipInfo(0x68, 0, &info, 0)) << "another action";
    EXPECT_FALSE(SHSipInfo(SPI_GETSIPINFO, 0, nullptr, 0));
    EXPECT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    EXPECT_EQ(info.rcSipRect.right - info.rcSipRect.left, 0) << "no panel on a desktop";
    EXPECT_EQ(SipEnumIM(nullptr), 0);
    EXPECT_FALSE(SipGetCurrentIM(nullptr));
    EXPECT_FALSE(SHFullScreen(nullptr, SHFS_HIDESIPBUTTON));
    EXPECT_EQ(FindWindowW(L"MS_SIPBUTTON", nullptr), nullptr) << "no input-panel button window";

    NLED_COUNT_INFO count{};
    EXPECT_FALSE(NLedGetDeviceInfo(1, &count));
    EXPECT_TRUE(NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count));
    EXPECT_EQ(count.cLeds, 1u);
    NLED_SETTINGS_INFO led{};
    led.LedNum = 1;
    led.OffOnBlink = 1;
    EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &led)) << "the device has only LED 0";
    EXPECT_FALSE(LedIsOn(1));
    EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, nullptr));

    HANDLE connection = nullptr;
    DWORD status = 0;
    CONNMGR_CONNECTIONINFO request{};
    EXPECT_EQ(ConnMgrEstablishConnectionSync(&request, &connection, 10, &status), E_INVALIDARG) << "no size";
    request.cbSize = sizeof(request);
    EXPECT_EQ(ConnMgrEstablishConnectionSync(&request, nullptr, 10, &status), E_INVALIDARG);
    EXPECT_EQ(ConnMgrReleaseConnection(reinterpret_cast<HANDLE>(0x1234), 1), E_INVALIDARG) << "never given";
    EXPECT_EQ(ConnMgrEstablishConnectionSync(&request, &connection, 10, &status), S_OK);
    EXPECT_EQ(status, CONNMGR_STATUS_CONNECTED);
    EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), S_OK);
    EXPECT_EQ(ConnMgrReleaseConnection(connection, 1), E_INVALIDARG) << "released already";

    // Headless: a sound is only recorded; a request that names no file plays nothing.
    ClearDeviceCalls();
    EXPECT_TRUE(sndPlaySoundW(L"Sound\\login.wav", SND_FILENAME | SND_ASYNC));
    EXPECT_FALSE(sndPlaySoundW(L"SystemStart", SND_ASYNC));
    EXPECT_FALSE(sndPlaySoundW(nullptr, SND_FILENAME));
    const std::wstring deep = L"Sound\\" + std::wstring(700, L'd') + L"\\login.wav";
    EXPECT_TRUE(sndPlaySoundW(deep.c_str(), SND_FILENAME));
    EXPECT_EQ(DeviceCalls(), (Lines{L"sndPlaySoundW(Sound\\login.wav, 0x20001)", L"sndPlaySoundW(SystemStart, 0x1)",
                                    L"sndPlaySoundW((null), 0x20000)", L"sndPlaySoundW(" + deep + L", 0x20000)"}));
    ResetDevices();
}

}  // namespace
