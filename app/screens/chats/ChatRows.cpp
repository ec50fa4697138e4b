#include "app/screens/chats/ChatRows.h"

#include "framework/base/QeMarkup.h"
#include "messenger/model/BuddyRoster.h"

namespace ChatRows {

void SetTextColor(QeSkinText& text, COLORREF color) {
    if (text.Style().textColor == color) return;
    QeTextStyle style = text.Style();
    style.textColor = color;
    text.FontHandle().Create(style);
}

COLORREF Color(SkinPath path) {
    const QeMarkupElement* element = ScreenSkin::Find(path);
    return element != nullptr ? ParseColor(element) : 0;
}

RECT BigPresenceIcon(const Buddy* buddy) {
    const uint32_t status = buddy != nullptr ? buddy->Status : 0;
    const bool blocked = buddy != nullptr && (buddy->ListFlags & kListBlock) != 0;
    const wchar_t* entry = L"Online";
    if (blocked) {
        entry = status == kPresenceOffline ? L"BlockedOffline" : L"BlockedOnline";
    } else if (status == 1 || status == 2) {
        entry = L"Away";
    } else if (status == 3 || status == 4) {
        entry = L"Busy";
    } else if (status == 5 || status == kPresenceOffline) {
        entry = L"Offline";
    }
    const QeMarkupElement* big = ScreenSkin::Find({L"_StatusIconList", entry, L"Big"});
    return big != nullptr ? ParseRect(big) : RECT{0, 0, 0, 0};
}

}  // namespace ChatRows
