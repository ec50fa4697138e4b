#include "app/screens/buddies/BuddyProfileButtonBar.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MsgBox.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin BuddyProfileButtonBar::s_skin;

namespace {

#define BAR_PATH(element) {L"BuddyProfile", L"ButtonBar", element}

constexpr int kYes = 2;

Buddy* ProfileBuddy() {
    MessengerApp* app = MessengerApp::Instance();
    return app != nullptr ? app->BuddyProfile().Table().ShownBuddy() : nullptr;
}

// The block label follows the AL bit; a buddy on no list but the forward one counts as blocked.
bool Allowed() {
    const Buddy* buddy = ProfileBuddy();
    return buddy != nullptr && (buddy->ListFlags & kListAllow) != 0;
}

void SendBlock(bool block, int result) {
    MessengerApp* app = MessengerApp::Instance();
    Buddy* buddy = ProfileBuddy();
    if (result != kYes || app == nullptr || buddy == nullptr) return;
    const BuddyGroup* group = app->BuddyProfile().Table().ShownGroup();
    SendBuddyBlock(block, *buddy, group != nullptr ? group->Id : std::wstring());
}

}  // namespace

bool BuddyProfileButtonBar::Create() {
    AddChild(&m_blockButton);
    AddChild(&m_deleteButton);
    s_skin.Load(m_blockButton, BAR_PATH(L"BlockButton"));
    s_skin.Load(m_deleteButton, BAR_PATH(L"DeleteButton"));
    s_skin.BackColor({L"BuddyProfile", L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

int BuddyProfileButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"BuddyProfile", L"ButtonBar"}), rect);
    // Set while drawing, so that the label never asks for a paint of its own.
    const wchar_t* label = Allowed() ? L"친구 차단" : L"차단 해제";
    m_blockButton.DefaultLabel().SetText(label);
    m_blockButton.ClickedLabel().SetText(label);
    return 1;
}

int BuddyProfileButtonBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    if (child == &m_blockButton) {
        if (Allowed()) {
            MsgBox::Confirm(L"차단하시겠습니까?", [](int result) { BlockBuddy(result); });
        } else {
            MsgBox::Confirm(L"차단을 해제하시겠습니까?", [](int result) { UnblockBuddy(result); });
        }
    } else if (child == &m_deleteButton) {
        MsgBox::Confirm(L"삭제하시겠습니까?", [](int result) { DeleteBuddy(result); });
    }
    return 1;
}

void BuddyProfileButtonBar::OnVisibleChanged(bool visible) {
    m_blockButton.SetVisible(visible);
    m_deleteButton.SetVisible(visible);
}

void BuddyProfileButtonBar::OnRectChanged(const RECT&) {
    m_blockButton.SetRect(s_skin.Rect(BAR_PATH(L"BlockButton")));
    m_deleteButton.SetRect(s_skin.Rect(BAR_PATH(L"DeleteButton")));
}

void BuddyProfileButtonBar::UnblockBuddy(int result) { SendBlock(false, result); }

void BuddyProfileButtonBar::BlockBuddy(int result) { SendBlock(true, result); }

void BuddyProfileButtonBar::DeleteBuddy(int result) {
    MessengerApp* app = MessengerApp::Instance();
    Buddy* buddy = ProfileBuddy();
    if (result != kYes || app == nullptr || buddy == nullptr) return;
    SendBuddyRemove(*buddy);
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}
