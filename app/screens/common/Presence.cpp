#include "app/screens/common/Presence.h"

#include <iterator>

#include "app/ScreenSkin.h"
#include "messenger/model/BuddyRoster.h"

namespace {

struct PresenceEntry {
    const wchar_t* label;
    const wchar_t* icon;
};
constexpr PresenceEntry kPresences[] = {
    {L"온라인", L"Online"},        {L"자리 비움", L"Away"},        {L"회의 중", L"Away"},
    {L"통화 중", L"Busy"},         {L"다른 용무 중", L"Busy"},     {L"오프라인 표시", L"Offline"},
    {L"오프라인", L"Offline"},
};
constexpr PresenceEntry kOther = {L"기타", L"Online"};

const PresenceEntry& Entry(uint32_t status) {
    return status < std::size(kPresences) ? kPresences[status] : kOther;
}

const wchar_t* IconName(uint32_t status, uint32_t listFlags) {
    if ((listFlags & kListBlock) != 0) return status == kPresenceOffline ? L"BlockedOffline" : L"BlockedOnline";
    return Entry(status).icon;
}

RECT IconRect(uint32_t status, uint32_t listFlags, const wchar_t* size) {
    const QeMarkupElement* element = ScreenSkin::Find({L"_StatusIconList", IconName(status, listFlags), size});
    return element != nullptr ? ParseRect(element) : RECT{0, 0, 0, 0};
}

}  // namespace

std::wstring PresenceLabel(uint32_t status) { return Entry(status).label; }

RECT PresenceIcon(uint32_t status, uint32_t listFlags) { return IconRect(status, listFlags, L"Big"); }

RECT PresenceIcon(const Buddy* buddy) {
    return buddy != nullptr ? PresenceIcon(buddy->Status, buddy->ListFlags) : PresenceIcon(0, 0);
}

RECT GetStatusIconRect(uint32_t status, uint32_t listFlags) { return IconRect(status, listFlags, L"Small"); }
