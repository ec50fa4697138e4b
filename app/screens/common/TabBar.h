// The bar at the bottom of each of the four main pages: a tab per main page, and an unread icon
// on the chat and memo tabs. A tap on a tab makes its page current, with no transition and no
// history. All four bars read the root section "TabBar" and share its values.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeBoxLayout.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class ScreenBase;

class TabBar : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"TabBar";
    enum Tab : int { kBuddyListTab = 0, kChatListTab = 1, kMemoListTab = 2, kOptionListTab = 3, kTabCount = 4 };

    bool Create();
    // The bar's rectangle in its page.
    static RECT BarRect();

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;

    // The unread icons follow the chats' and the memo box's unread state while `show` holds.
    void UpdateNotifyIcons(bool show);
    // The page's own tab checked, the other three not: each main page's show calls it.
    void CheckTab(int tab);

    QeCheckBox& TabButton(int tab) { return m_tabs[tab]; }
    QeImageView& ChatIcon() { return m_chatIcon; }
    QeImageView& MemoIcon() { return m_memoIcon; }

private:
    static ScreenBase* PageOfTab(int tab);

    QeBoxLayout m_layout;
    QeCheckBox m_tabs[kTabCount];
    QeImageView m_chatIcon;
    QeImageView m_memoIcon;
    static ClassSkin s_skin;
};
