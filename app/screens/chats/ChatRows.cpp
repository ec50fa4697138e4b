#include "app/screens/chats/ChatRows.h"

#include "app/ScreenSkin.h"
#include "framework/base/QeMarkup.h"
#include "messenger/model/BuddyRoster.h"

namespace ChatRows {

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
