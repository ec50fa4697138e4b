// The top bar of every signed-in screen, and the owner of the navigation history: a stack of
// reversed switches, so that replaying the top entry goes back.
//
// It shows one of three strips, chosen by its mode: 0 the user's buddy card (the main pages), 1
// a title strip with Back (detail pages), 2 and 3 the same with the buddy add or group add button,
// 4 the chat page strip. The mode changes only through SetMode and outlives hiding: the next show
// applies it again. Each strip's widgets are children of the bar itself.
#pragma once

#include <vector>

#include "app/ScreenSkin.h"
#include "app/screens/common/StatusBarBuddyCard.h"
#include "app/screens/common/StatusBarPageStrip.h"
#include "app/screens/common/StatusBarTitleStrip.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/motion/QeTransition.h"
#include "framework/ui/view/QeWindow.h"

class StatusBar : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"StatusBar";
    enum Mode : int { kModeCard = 0, kModeTitle = 1, kModeBuddyAdd = 2, kModeGroupAdd = 3, kModeChatPage = 4 };

    StatusBar();
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;

    // The widgets of the mode shown, the others hidden; modes 1 to 4 also refresh the unread
    // indicators. A mode outside 0 to 4 shows no strip.
    void SetMode(int mode);
    int Mode() const { return m_mode; }

    StatusBarBuddyCard& BuddyCard() { return m_buddyCard; }
    StatusBarTitleStrip& TitleStrip() { return m_titleStrip; }
    StatusBarPageStrip& PageStrip() { return m_pageStrip; }
    QeImageView& BackgroundSkin() { return m_background; }

    // ---- the history
    void PushHistory(const QeTransitionParams& params);
    // Moves the last entry into `out`; false, `out` untouched, when the history is empty.
    bool PopState(QeTransitionParams& out);
    void ClearHistory();
    const std::vector<QeTransitionParams>& History() const { return m_history; }

    // Back: ignored while a transition runs; else the input panel hidden and the last entry
    // replayed. Nothing more happens with an empty history.
    void OnBack();

    // The values the bar and its strips read from the skin, shared by the class.
    static ClassSkin& Skin() { return s_skin; }

private:
    void HideStrips();

    QeImageView m_background;
    int m_mode = kModeCard;
    StatusBarBuddyCard m_buddyCard{*this};
    StatusBarTitleStrip m_titleStrip{*this};
    StatusBarPageStrip m_pageStrip{*this};
    std::vector<QeTransitionParams> m_history;
    static ClassSkin s_skin;
};
