#include "app/screens/buddies/BuddyProfileButtonBar.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MsgBox.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin BuddyProfileButtonBar::s_skin;

namespace {

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
    if (result != MsgBox::kResultYes || app == nullptr || buddy == nullptr) return;
    const BuddyGroup* group = app->BuddyProfile().Table().ShownGroup();
    SendBuddyBlock(block, *buddy, group != nullptr ? group->Id : std::wstring());
}

}  // namespace

int BuddyProfileButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    SkinButtonBar::Draw(surface, rect);
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

void BuddyProfileButtonBar::UnblockBuddy(int result) { SendBlock(false, result); }

void BuddyProfileButtonBar::BlockBuddy(int result) { SendBlock(true, result); }

void BuddyProfileButtonBar::DeleteBuddy(int result) {
    MessengerApp* app = MessengerApp::Instance();
    Buddy* buddy = ProfileBuddy();
    if (result != MsgBox::kResultYes || app == nullptr || buddy == nullptr) return;
    SendBuddyRemove(*buddy);
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}
