// The one application object: it owns the twenty screens and bars for the whole run and the
// fourteen model and protocol singletons from its start-up to its exit, lays the screens out from
// the skin, navigates between pages and holds the notification decisions.
//
// Navigation rules callers rely on:
//   - the current page is one of the seventeen pages, or none; the login screen is shown and
//     hidden outside it;
//   - a switch or a go-back asked while the transition manager still holds a transition first
//     ends every held one as its last step would, then starts: two switches in a row never leave
//     two pages on screen;
//   - a switch while no page is current shows the target at once, with no transition and no
//     history entry; a switch to the page already current starts nothing and pushes nothing, the
//     page is hidden and shown again so that it refreshes;
//   - a transition the manager refuses still switches at once: the target stays current and its
//     history entry stays;
//   - a page that navigation hides (and the login screen when sign-in ends) loses the focus when
//     it holds it: keys go nowhere until the page shown, or the user, gives the focus to a view.
#pragma once

#include <string>

#include "app/AppScreens.h"
#include "app/ScreenBase.h"
#include "app/screens/buddies/BuddyAddPage.h"
#include "app/screens/buddies/BuddyListPage.h"
#include "app/screens/buddies/BuddyProfilePage.h"
#include "app/screens/buddies/BuddyRequestInfoPage.h"
#include "app/screens/buddies/BuddyRequestListPage.h"
#include "app/screens/buddies/BuddySelectPage.h"
#include "app/screens/buddies/GroupAddPage.h"
#include "app/screens/buddies/GroupSelectPage.h"
#include "app/screens/chats/ChatInfoPage.h"
#include "app/screens/chats/ChatListPage.h"
#include "app/screens/common/MenuBar.h"
#include "app/screens/common/StatusBar.h"
#include "app/screens/login/LoginPage.h"
#include "app/screens/memos/MemoListPage.h"
#include "app/screens/memos/MemoReadPage.h"
#include "app/screens/memos/MemoWritePage.h"
#include "app/screens/options/OptionListPage.h"
#include "app/screens/options/OptionNickPage.h"
#include "app/screens/options/OptionPage.h"
#include "app/screens/options/OptionServiceInfoPage.h"
#include "framework/ui/shell/QeApplication.h"

class QePathRoots;
class SkinDocument;

// The kinds of SwitchView: the effect and direction of the slide.
enum SwitchKind : int {
    kSwitchCoverDownwards = 0,  // no screen uses it
    kSwitchCoverUpwards = 1,    // detail pages entered from below: chats, memos, chooser, menu pages
    kSwitchPushRightwards = 2,  // the previous chat page
    kSwitchPushLeftwards = 3,   // most detail pages; the next chat page
};

class MessengerApp : public QeApplicationBase {
public:
    static constexpr wchar_t kTitle[] = L"Tevrik";
    static constexpr wchar_t kSkinFile[] = L"Image\\Skin.dat";

    MessengerApp();
    ~MessengerApp() override;

    static MessengerApp* Instance() { return static_cast<MessengerApp*>(QeApplicationBase::Instance()); }

    // ---- start-up and exit (the base's OnInit and OnExit)
    bool OnInit() override { return OnCreate(); }
    void OnExit() override { OnDestroy(); }
    bool OnCreate();
    void OnDestroy();
    bool RegisterResourceFolders();
    bool CreateManagers();
    bool LoadSkin();
    bool LayoutViews();
    bool DeleteUpgradeLeftovers();
    void DestroyManagers();

    // ---- notifications
    // 0 own sign-in, 1 a buddy came online, 2 a chat line, 3 a memo: sound and vibration as the
    // options say.
    void PlayNotification(int event);
    void UpdateNotifyIndicators();
    // A server notice in the notify box titled "공지사항".
    void ShowNotice(const std::wstring& text);

    // ---- the login screen and the return to it
    // After the buddy list load: the login screen hidden, the status bar shown, the buddy list
    // current.
    void ShowSignedIn();
    // The screens' halves of ResetToLogin (messenger/protocol/Reset.h): the rows and model
    // pointers dropped while the model still exists, then the gate with nothing signed in behind.
    void OnResetBegin();
    void OnResetToLogin();

    // ---- navigation (see the rules above)
    void SetCurrentView(ScreenBase* page);
    void SwitchView(ScreenBase* page, int kind, bool replaceTop);
    void ShowViewWithTransition(const QeTransitionParams& params);
    ScreenBase* CurrentPage() const { return m_currentPage; }

    // ---- the windows
    LoginPage& Login() { return m_login; }
    StatusBar& StatusBarWindow() { return m_statusBar; }
    MenuBar& MenuBarWindow() { return m_menuBar; }
    BuddyListPage& BuddyList() { return m_buddyList; }
    BuddyProfilePage& BuddyProfile() { return m_buddyProfile; }
    BuddyAddPage& BuddyAdd() { return m_buddyAdd; }
    BuddySelectPage& BuddySelect() { return m_buddySelect; }
    BuddyRequestListPage& BuddyRequestList() { return m_buddyRequestList; }
    BuddyRequestInfoPage& BuddyRequestInfo() { return m_buddyRequestInfo; }
    GroupAddPage& GroupAdd() { return m_groupAdd; }
    GroupSelectPage& GroupSelect() { return m_groupSelect; }
    ChatListPage& ChatList() { return m_chatList; }
    ChatInfoPage& ChatInfo() { return m_chatInfo; }
    MemoListPage& MemoList() { return m_memoList; }
    MemoReadPage& MemoRead() { return m_memoRead; }
    MemoWritePage& MemoWrite() { return m_memoWrite; }
    OptionListPage& OptionList() { return m_optionList; }
    OptionPage& Option() { return m_option; }
    OptionNickPage& OptionNick() { return m_optionNick; }
    OptionServiceInfoPage& OptionServiceInfo() { return m_optionServiceInfo; }

    static constexpr int kWindowCount = 20;
    // The twenty windows in member order, with their skin sections.
    struct WindowEntry {
        QeWindow* window;
        const wchar_t* section;
    };
    void Windows(WindowEntry (&out)[kWindowCount]);

    // Set by an accepted login, cleared by the return to the login screen.
    bool SignedIn() const { return m_signedIn; }
    void SetSignedIn(bool signedIn) { m_signedIn = signedIn; }

    // The sections of the windows that LayoutViews shows: what the first frame draws.
    static constexpr const wchar_t* kShownAtStart[] = {LoginPage::kSection, MenuBar::kSection};

    // The program's folder, ending in "\", as RegisterResourceFolders found it.
    const std::wstring& ProgramFolder() const { return m_programFolder; }
    // The folder a start takes as the program's, ending in "\", and the path roots it sets from it.
    static std::wstring FindProgramFolder();
    static void SetResourceRoots(QePathRoots& roots, const std::wstring& folder);
    // Test tooling: the folder every later start takes as the program's own (empty: the
    // executable's).
    static void SetProgramFolderOverride(const std::wstring& folder);

private:
    // Ends every transition the manager holds, as their last steps would.
    static void FinishRunningSwitches();
    // A window leaving the screen keeps no keys: the focus, when it lies inside the window, is
    // dropped.
    static void DropFocusIn(const QeWindow* window);
    // The page hidden and shown again, which refreshes it.
    static void Reshow(QeWindow* page);

    LoginPage m_login;
    StatusBar m_statusBar;
    MenuBar m_menuBar;
    ScreenBase* m_currentPage = nullptr;
    BuddyListPage m_buddyList;
    BuddyProfilePage m_buddyProfile;
    BuddyAddPage m_buddyAdd;
    BuddySelectPage m_buddySelect;
    BuddyRequestListPage m_buddyRequestList;
    BuddyRequestInfoPage m_buddyRequestInfo;
    GroupAddPage m_groupAdd;
    GroupSelectPage m_groupSelect;
    ChatListPage m_chatList;
    ChatInfoPage m_chatInfo;
    MemoListPage m_memoList;
    MemoReadPage m_memoRead;
    MemoWritePage m_memoWrite;
    OptionListPage m_optionList;
    OptionPage m_option;
    OptionNickPage m_optionNick;
    OptionServiceInfoPage m_optionServiceInfo;

    AppScreens m_screens;
    bool m_signedIn = false;
    std::wstring m_programFolder;
};
