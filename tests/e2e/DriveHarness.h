// The test's end of the drive link (DriveLink.h): a driven client spawned with folders of its own,
// its login pointed at the service stand-in, and commands sent to it line by line; positions taken
// from the skin file the client reads.
//
//     DrivenClient a;
//     ASSERT_TRUE(a.Start(service));
//     a.Tap(skin.Center({L"Login", L"Counter", L"LoginButton"}));
//     EXPECT_EQ(a.State(), "page=- login=0 ...");
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "framework/base/QeMarkup.h"
#include "platform/win_types.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

namespace tevrik_service {
class TestService;
}

// The built skin file, for positions.
class SkinLayout {
public:
    SkinLayout();
    // The rectangle of the last element of the path in screen coordinates: its "_Rect" moved by
    // the "_Rect" of every element above it on the path that has one, and by `origin`.
    RECT Rect(std::initializer_list<const wchar_t*> path, POINT origin = POINT{0, 0}) const;
    POINT Center(std::initializer_list<const wchar_t*> path, POINT origin = POINT{0, 0}) const;
    // In row `index` of the table at the path (a "View" with "_TableViewItemHeight", rows
    // unscrolled and all of one height), the centre of the row's element (its "_Rect" in the row).
    POINT Row(std::initializer_list<const wchar_t*> table, int index, const wchar_t* element) const;
    // A number under the path ("_TableViewItemHeight" and the like); 0 when missing.
    int Number(std::initializer_list<const wchar_t*> path) const;

private:
    const QeMarkupElement* Find(std::initializer_list<const wchar_t*> path) const;
    QeMarkupDocument m_document;
};

struct DriveOptions {
    bool headless = false;
    bool realClock = false;
    // The wireless-connection consent already given, so that the form's Login signs in at once.
    bool consentStored = false;
    // A file for the SDL presenter's frame log (TEVRIK_PRESENT_LOG); empty: none.
    std::string presentLog;
};

class DrivenClient {
public:
    DrivenClient() = default;
    ~DrivenClient();
    DrivenClient(const DrivenClient&) = delete;
    DrivenClient& operator=(const DrivenClient&) = delete;

    // Spawns the client against the service and waits (10 s at most) for its link.
    bool Start(tevrik_service::TestService& service, DriveOptions options = DriveOptions());

    // One command and its answer ("error link" when the link broke or 20 s passed).
    std::string Do(const std::string& line);
    bool Run(const std::string& line) { return Do(line) == "ok"; }
    bool Tap(POINT at) { return Run("tap " + std::to_string(at.x) + " " + std::to_string(at.y)) && Run("settle"); }
    bool Key(unsigned vk) { return Run("key " + std::to_string(vk)) && Run("settle"); }
    bool Chars(const std::string& utf8) { return Run("chars " + utf8) && Run("settle"); }
    bool Compose(const std::string& latin) { return Run("compose " + latin) && Run("settle"); }
    // settle, advance 1000, settle: what a picture is taken after.
    bool Still();
    std::string State();
    // Where the open popup lies (its state says), or far off screen when none is open.
    POINT PopupOrigin();
    // The framebuffer, still, as a PNG file of the client's folder; its path, empty on failure.
    std::string Shot(const std::string& name);

    // Asks the client to quit and waits for its end; its exit status, or -1.
    int Quit();
    int Pid() const { return m_child.Pid(); }
    // Every trace line the client wrote.
    std::string Traces() const;

private:
    testsupport::TempFolder m_config, m_runtime, m_files;
    ChildProcess m_child;
    int m_socket = -1;
    std::string m_received;
};

// The login form filled as a user does (the id without its domain, Enter, the password, Enter) and
// the consent box answered Yes with "이 창을 다시 보지 않음" checked.
bool SignInThroughForm(DrivenClient& client, const SkinLayout& skin, const std::string& id, const std::string& password);
