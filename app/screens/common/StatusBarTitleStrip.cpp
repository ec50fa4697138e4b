#include "app/screens/common/StatusBarTitleStrip.h"

#include "app/MessengerApp.h"
#include "app/screens/common/StatusBar.h"

void StatusBarTitleStrip::Create() {
    ClassSkin& skin = StatusBar::Skin();
    m_bar.AddChild(&m_backButton);
    m_bar.AddChild(&m_title);
    m_bar.AddChild(&m_buddyAddButton);
    m_bar.AddChild(&m_groupAddButton);
    skin.Load(m_backButton, {StatusBar::kSection, kPart, L"BackButton"});
    skin.Load(m_title, {StatusBar::kSection, kPart, L"Title"});
    skin.Load(m_buddyAddButton, {StatusBar::kSection, kPart, L"BuddyAddButton"});
    skin.Load(m_groupAddButton, {StatusBar::kSection, kPart, L"GroupAddButton"});
}

void StatusBarTitleStrip::Layout() {
    ClassSkin& skin = StatusBar::Skin();
    m_backButton.SetRect(skin.Rect({StatusBar::kSection, kPart, L"BackButton"}));
    m_title.SetRect(skin.Rect({StatusBar::kSection, kPart, L"Title"}));
    m_buddyAddButton.SetRect(skin.Rect({StatusBar::kSection, kPart, L"BuddyAddButton"}));
    m_groupAddButton.SetRect(skin.Rect({StatusBar::kSection, kPart, L"GroupAddButton"}));
}

void StatusBarTitleStrip::Show(int mode) {
    const bool titled = mode >= StatusBar::kModeTitle && mode <= StatusBar::kModeGroupAdd;
    m_backButton.SetVisible(titled);
    m_title.SetVisible(titled);
    m_buddyAddButton.SetVisible(mode == StatusBar::kModeBuddyAdd);
    m_groupAddButton.SetVisible(mode == StatusBar::kModeGroupAdd);
}

bool StatusBarTitleStrip::OnNotify(QeWindow* child, int code) {
    if (child != &m_backButton && child != &m_title && child != &m_buddyAddButton && child != &m_groupAddButton) {
        return false;
    }
    if (code != kNotifyClick) return true;
    MessengerApp* app = MessengerApp::Instance();
    if (child == &m_backButton) {
        m_bar.OnBack();
    } else if (child == &m_buddyAddButton && app != nullptr) {
        app->BuddyAdd().SendBuddyRequest();
    } else if (child == &m_groupAddButton && app != nullptr) {
        app->GroupAdd().AddGroup();
    }
    return true;
}

void StatusBarTitleStrip::SetTitle(const std::wstring& title) {
    m_title.Text().SetText(title);
    m_title.Invalidate(RECT{0, 0, 0, 0}, true);
}
