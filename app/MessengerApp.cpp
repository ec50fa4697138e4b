#include "app/MessengerApp.h"

#include "app/SkinDocument.h"
#include "app/screens/common/NotifyBox.h"
#include "framework/base/QePathTable.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "framework/ui/shell/QeNotifyLed.h"
#include "framework/ui/view/QeRect.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/EmoticonCatalog.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "platform/system/device.h"
#include "platform/system/file.h"

namespace {

// The owner slots of the fourteen singletons, in the order of their creation.
AccountInfo* g_accountInfo = nullptr;
BuddyGroupList* g_buddyGroupList = nullptr;
BuddyRoster* g_buddyRoster = nullptr;
ChatSessionManager* g_chatSessionManager = nullptr;
MemoStore* g_memoStore = nullptr;
Options* g_options = nullptr;
EmoticonCatalog* g_emoticonCatalog = nullptr;
TrIdGenerator* g_trIdGenerator = nullptr;
MessageFactory* g_messageFactory = nullptr;
HandlerRegistry* g_handlerRegistry = nullptr;
PendingRequests* g_pendingRequests = nullptr;
ProtocolSession* g_protocolSession = nullptr;
KeepAlive* g_keepAlive = nullptr;
SkinDocument* g_skinDocument = nullptr;

template <class T>
void SafeDelete(T*& owner) {
    delete owner;
    owner = nullptr;
}

std::wstring& ProgramFolderOverride() {
    static std::wstring folder;
    return folder;
}

// The notice sounds by event.
constexpr const wchar_t* kNotificationSounds[] = {L"login.wav", L"buddy_login.wav", L"recv_chat.wav",
                                                  L"recv_memo.wav"};
// The scope bit each event needs; the own sign-in needs none.
constexpr uint32_t kNotificationScopes[] = {0, Options::kNotifySignIn, Options::kNotifyChat, Options::kNotifyMemo};

}  // namespace

MessengerApp::MessengerApp() : m_screens(*this) {}

MessengerApp::~MessengerApp() {
    // A start-up that failed half-way never reached OnDestroy.
    if (&Screens() == &m_screens) SetScreens(nullptr);
}

void MessengerApp::SetProgramFolderOverride(const std::wstring& folder) { ProgramFolderOverride() = folder; }

bool MessengerApp::OnCreate() {
    // The root only holds the screens, each of which draws into a surface of its own.
    Root().SetOwnDC(false);
    if (!RegisterResourceFolders() || !CreateManagers()) return false;
    // Before the layout: showing the login screen may start signing in.
    SetScreens(&m_screens);
    if (!LoadSkin()) {
        // The program ends without a run, so without an exit: the singletons go now.
        OnDestroy();
        return false;
    }
    g_emoticonCatalog->SetSkin(&g_skinDocument->Document());
    if (QeMainWindow* main = QeMainWindow::Instance()) SetUpgradeMainWindow(main->Handle());
    if (!LayoutViews() || !DeleteUpgradeLeftovers()) {
        OnDestroy();
        return false;
    }
    // Nothing has drawn yet: without this the first frame composes nothing and stays black.
    Root().Invalidate(RECT{0, 0, 0, 0}, true);
    return true;
}

void MessengerApp::OnDestroy() {
    // Nothing a singleton does while it is deleted reaches a screen.
    SetScreens(nullptr);
    SetUpgradeMainWindow(nullptr);
    DestroyManagers();
}

std::wstring MessengerApp::FindProgramFolder() {
    std::wstring folder = ProgramFolderOverride();
    if (folder.empty()) {
        QeModuleDirectory(folder);
    } else if (folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder;
}

void MessengerApp::SetResourceRoots(QePathRoots& roots, const std::wstring& folder) {
    roots.SetRoot(0, folder + L"Image\\");
    roots.SetRoot(1, folder + L"Sound\\");
    roots.SetRoot(2, folder);
    roots.SetRoot(3, folder);
}

bool MessengerApp::RegisterResourceFolders() {
    m_programFolder = FindProgramFolder();
    if (QePathTable* paths = QePathTable::Instance()) SetResourceRoots(*paths, m_programFolder);
    return true;
}

bool MessengerApp::CreateManagers() {
    g_accountInfo = new AccountInfo;
    g_buddyGroupList = new BuddyGroupList;
    g_buddyRoster = new BuddyRoster;
    g_chatSessionManager = new ChatSessionManager;
    g_memoStore = new MemoStore;
    g_options = new Options;
    g_emoticonCatalog = new EmoticonCatalog;
    g_trIdGenerator = new TrIdGenerator;
    g_messageFactory = new MessageFactory;
    g_handlerRegistry = new HandlerRegistry;
    g_pendingRequests = new PendingRequests;
    g_protocolSession = new ProtocolSession;
    g_keepAlive = new KeepAlive;
    g_skinDocument = new SkinDocument;
    return true;
}

void MessengerApp::DestroyManagers() {
    // The current page hidden (a running switch finished) while the skin it reads still stands.
    SetCurrentView(nullptr);
    SafeDelete(g_skinDocument);
    SafeDelete(g_keepAlive);
    SafeDelete(g_protocolSession);
    SafeDelete(g_pendingRequests);
    SafeDelete(g_trIdGenerator);
    SafeDelete(g_messageFactory);
    SafeDelete(g_handlerRegistry);
    SafeDelete(g_emoticonCatalog);
    SafeDelete(g_options);
    SafeDelete(g_memoStore);
    SafeDelete(g_chatSessionManager);
    SafeDelete(g_buddyRoster);
    SafeDelete(g_buddyGroupList);
    SafeDelete(g_accountInfo);
}

bool MessengerApp::LoadSkin() {
    ScreenSkin::ForgetTraces();
    if (g_skinDocument->Load(kSkinFile)) return true;
    std::wstring path = kSkinFile;
    if (QePathTable* paths = QePathTable::Instance()) paths->Resolve(path, 2, kSkinFile);
    QeTrace(L"[QE+] MessengerApp::LoadSkin, %ls is missing, unreadable or not a skin of Tevrik.\n", path.c_str());
    return false;
}

void MessengerApp::Windows(WindowEntry (&out)[kWindowCount]) {
    out[0] = {&m_login, LoginPage::kSection};
    out[1] = {&m_statusBar, StatusBar::kSection};
    out[2] = {&m_menuBar, MenuBar::kSection};
    out[3] = {&m_buddyList, BuddyListPage::kSection};
    out[4] = {&m_buddyProfile, BuddyProfilePage::kSection};
    out[5] = {&m_buddyAdd, BuddyAddPage::kSection};
    out[6] = {&m_buddySelect, BuddySelectPage::kSection};
    out[7] = {&m_buddyRequestList, BuddyRequestListPage::kSection};
    out[8] = {&m_buddyRequestInfo, BuddyRequestInfoPage::kSection};
    out[9] = {&m_groupAdd, GroupAddPage::kSection};
    out[10] = {&m_groupSelect, GroupSelectPage::kSection};
    out[11] = {&m_chatList, ChatListPage::kSection};
    out[12] = {&m_chatInfo, ChatInfoPage::kSection};
    out[13] = {&m_memoList, MemoListPage::kSection};
    out[14] = {&m_memoRead, MemoReadPage::kSection};
    out[15] = {&m_memoWrite, MemoWritePage::kSection};
    out[16] = {&m_optionList, OptionListPage::kSection};
    out[17] = {&m_option, OptionPage::kSection};
    out[18] = {&m_optionNick, OptionNickPage::kSection};
    out[19] = {&m_optionServiceInfo, OptionServiceInfoPage::kSection};
}

bool MessengerApp::LayoutViews() {
    WindowEntry windows[kWindowCount];
    Windows(windows);
    for (const WindowEntry& entry : windows) Root().AddChild(entry.window);
    const bool created = m_login.Create() && m_statusBar.Create() && m_menuBar.Create() && m_buddyList.Create() &&
                         m_buddyProfile.Create() && m_buddyAdd.Create() && m_buddySelect.Create() &&
                         m_buddyRequestList.Create() && m_buddyRequestInfo.Create() && m_groupAdd.Create() &&
                         m_groupSelect.Create() && m_chatList.Create() && m_chatInfo.Create() && m_memoList.Create() &&
                         m_memoRead.Create() && m_memoWrite.Create() && m_optionList.Create() && m_option.Create() &&
                         m_optionNick.Create() && m_optionServiceInfo.Create();
    if (!created) return false;
    m_login.SetVisible(true);
    m_menuBar.SetVisible(true);
    for (const WindowEntry& entry : windows) {
        const RECT rect = ScreenSkin::Rect({entry.section});
        // An empty rectangle is no change, yet its parts are laid out too: the skin's gaps are
        // traced at start, not at their first use.
        if (QeRectsDiffer(rect, entry.window->Rect())) {
            entry.window->SetRect(rect);
        } else {
            entry.window->OnRectChanged(rect);
        }
    }
    return true;
}

bool MessengerApp::DeleteUpgradeLeftovers() {
    for (const wchar_t* name : {L"_Tevrik.inf", L"_Tevrik.cab"}) {
        std::wstring path = name;
        if (QePathTable* paths = QePathTable::Instance()) paths->Resolve(path, 3, name);
        // A file that is not there is what a clean start expects.
        _wremove(path.c_str());
    }
    return true;
}

void MessengerApp::PlayNotification(int event) {
    if (event < 0 || event > 3 || g_options == nullptr) return;
    const uint32_t scope = kNotificationScopes[event];
    if (scope != 0 && (g_options->NotifyScopes & scope) == 0) return;
    const uint32_t type = g_options->NotifyType;
    if (type == 1 || type == 3) {
        const std::wstring path = m_programFolder + L"Sound\\" + kNotificationSounds[event];
        sndPlaySoundW(path.c_str(), SND_FILENAME | SND_ASYNC);
    }
    if (type == 2 || type == 3) {
        if (QeNotifyLed* led = QeNotifyLed::Instance()) led->TurnOnFor(0.1f);
    }
}

void MessengerApp::UpdateNotifyIndicators() {
    m_menuBar.UpdateNotifyImages();
    for (TabBar* tabs : {&m_buddyList.Tabs(), &m_chatList.Tabs(), &m_memoList.Tabs(), &m_optionList.Tabs()}) {
        tabs->UpdateNotifyIcons(true);
    }
}

void MessengerApp::ShowNotice(const std::wstring& text) {
    // The check box's answer is not kept: nothing says yet what it should suppress.
    NotifyBox::Show(L"공지사항", text, L"더 이상 이 메시지를 확인 안함", [](void*, QePopup*, int) {}, nullptr);
}

void MessengerApp::ShowSignedIn() {
    DropFocusIn(&m_login);
    m_login.SetVisible(false);
    m_statusBar.SetVisible(true);
    SetCurrentView(&m_buddyList);
}

// The pages that keep rows or model pointers drop them here, each with its own step.
void MessengerApp::OnResetBegin() {
    m_buddyList.OnResetBegin();
    m_buddySelect.OnResetBegin();
    m_memoList.Table().RemoveAllRows();
    // Rows and the participants' chat go before the chats leave the model.
    m_chatList.Table().RemoveAllItems();
    m_chatInfo.Table().Clear();
    m_buddyRequestInfo.OnResetBegin();
    // The model is about to be emptied: the profile must not keep pointers into it.
    m_buddyProfile.SetBuddy(nullptr, nullptr);
}

void MessengerApp::OnResetToLogin() {
    if (QeTransitionManager* transitions = QeTransitionManager::Instance()) transitions->Clear();
    m_login.ShowPage(LoginPage::kGatePanel);
    m_login.SetVisible(true);
    m_statusBar.ClearHistory();
    m_statusBar.SetVisible(false);
    SetCurrentView(nullptr);
    m_menuBar.UpdateNotifyImages();
}
