// The boxes against the service stand-in: a pushed notice, a failure reply, and an upgrade offered
// at sign-in, answered Yes, downloaded with the box and handed to the (recorded) opener.
#include <gtest/gtest.h>

#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
#include "app/screens/common/UpgradeBox.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/SignIn.h"
#include "platform/system/shell.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/Loopback.h"
#include "tools/service/TestService.h"

#include <poll.h>
#include <sys/socket.h>

#include <thread>

namespace {

MsgBox* OpenMsgBox() { return dynamic_cast<MsgBox*>(QePopup::Current()); }

TEST(BoxesWithService, NoticeAndFailureReplyOpenTheirBoxes) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    rig.Service().SendNotice(rig.Service().SignedInConnection("minsu@tevrik.example"), "오늘 밤 점검이 있습니다.");
    ASSERT_TRUE(PumpUntil([] { return dynamic_cast<NotifyBox*>(QePopup::Current()) != nullptr; }, 10.0));
    auto* notice = dynamic_cast<NotifyBox*>(QePopup::Current());
    EXPECT_EQ(notice->TitleText().Text().Text(), L"공지사항");
    EXPECT_NE(notice->Text().GetText().find(L"오늘 밤 점검이 있습니다."), std::wstring::npos);

    rig.Service().SetErrorReply("ADDG", 500);
    SendGroupAdd(L"동료");
    ASSERT_TRUE(PumpUntil([] { return OpenMsgBox() != nullptr; }, 10.0));
    EXPECT_EQ(OpenMsgBox()->Text().GetText(), L"FailureCodeDbError");
    EXPECT_TRUE(OpenMsgBox()->OkButton().IsVisible());
}

// Signs in with an upgrade offered and answers Yes.
void AcceptOfferedUpgrade(MessengerRig& rig) {
    rig.Service().SetUpgradeAnswer('Y');
    std::wstring digest;
    HashCredentials(digest, L"minsu@tevrik.example", L"1234");
    ASSERT_TRUE(BeginSignIn(L"minsu@tevrik.example", digest, false));
    ASSERT_TRUE(PumpUntil([] { return OpenMsgBox() != nullptr; }, 10.0));
    EXPECT_EQ(OpenMsgBox()->KindBits(), MsgBox::kYesNo);
    rig.TapBox(L"YesButton");
}

TEST(BoxesWithService, OfferedUpgradeAnsweredYesDownloadsWithTheBox) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    testsupport::ScopedEnv host("TEVRIK_UPGRADE_HOST", ("127.0.0.1:" + std::to_string(rig.Service().HttpPort())).c_str());
    rig.Service().SetUpgradeMessage("새 버전이 있습니다.");
    rig.Service().SetUpgradePackage(std::string(200 * 1024, 'p'));
    std::vector<std::string> opened;
    std::wstring percentAtLaunch;
    SetShellLauncher([&](const std::string&, const std::vector<std::string>& argv) {
        opened.push_back(argv.back().substr(argv.back().rfind('/') + 1));
        if (auto* box = dynamic_cast<UpgradeBox*>(QePopup::Current())) percentAtLaunch = box->PercentText().Text().Text();
        return true;
    });
    AcceptOfferedUpgrade(rig);
    ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }, 20.0));
    SetShellLauncher(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>({"_Tevrik.cab"}));
    EXPECT_EQ(percentAtLaunch, L"100%");
    EXPECT_FALSE(rig.App().SignedIn());
}

TEST(BoxesWithService, PackageCutShortReplacesTheBoxWithTheFailure) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    // The upgrade host: the manifest whole, then a package that stops halfway.
    testnet::Listener host;
    const std::string url = "http://127.0.0.1:" + std::to_string(host.Port());
    const std::string manifest = "[main]\r\nmsg=new\r\nurl=" + url + "/p.cab\r\n";
    std::thread server([&] {
        for (const std::string& response :
             {"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(manifest.size()) + "\r\n\r\n" + manifest,
              "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(50000, 'p')}) {
            const int fd = host.Accept();
            if (fd < 0) return;
            // The request read whole: a close with unread bytes would reset the connection.
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos && testnet::WaitFor(fd, POLLIN)) {
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            testnet::SendAll(fd, response);
            testnet::CloseFd(fd);
        }
    });
    testsupport::ScopedEnv upgradeHost("TEVRIK_UPGRADE_HOST", url.substr(7).c_str());
    AcceptOfferedUpgrade(rig);
    const bool failed = PumpUntil([] { return OpenMsgBox() != nullptr && OpenMsgBox()->Text().GetText() == kUpgradeFailedText; }, 20.0);
    server.join();
    EXPECT_TRUE(failed);
}

}  // namespace
