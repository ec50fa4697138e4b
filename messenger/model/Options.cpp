#include "messenger/model/Options.h"

#include "framework/base/QeRegistry.h"
#include "messenger/model/SettingsKey.h"

namespace {

const wchar_t* const kChatTypeLabels[] = {L"대화하기", L"쪽지쓰기"};
const wchar_t* const kViewTypeLabels[] = {L"이름 보기", L"대화명 보기", L"이름+ID 보기", L"이름+대화명 보기"};
const wchar_t* const kSortTypeLabels[] = {L"전체 보기", L"접속자만 보기"};
const wchar_t* const kNotifyTypeLabels[] = {L"사용 안 함", L"소리 사용", L"진동 사용", L"소리+진동 사용"};

template <size_t N>
std::wstring Label(const wchar_t* const (&labels)[N], uint32_t value) {
    return value < N ? std::wstring(labels[value]) : std::wstring();
}

// A stored value outside its table would leave a screen with an empty label or no matching row.
uint32_t Query(QeRegistryKey& key, const wchar_t* name, uint32_t fallback, uint32_t limit) {
    uint32_t value = key.QueryDword(name, fallback);
    return value < limit ? value : fallback;
}

}  // namespace

Options::Options() { LoadOptions(); }

Options::~Options() { SaveOptions(); }

int Options::LoadOptions() {
    QeRegistryKey key;
    if (!key.Open(kSettingsKeyPath, HKEY_CURRENT_USER)) return 1;
    ChatType = Query(key, L"OptionsChatType", ChatType, kChatTypeCount);
    ViewType = Query(key, L"OptionsViewType", ViewType, kViewTypeCount);
    SortType = Query(key, L"OptionsSortType", SortType, kSortTypeCount);
    NotifyType = Query(key, L"OptionsNotifyType", NotifyType, kNotifyTypeCount);
    NotifyScopes = Query(key, L"OptionsNotifyScopes", NotifyScopes, kNotifyScopesMask + 1);
    return 1;
}

int Options::SaveOptions() {
    QeRegistryKey key;
    if (!key.Create(kSettingsKeyPath, HKEY_CURRENT_USER)) return 0;
    bool written = key.SetDword(L"OptionsChatType", ChatType);
    written = key.SetDword(L"OptionsViewType", ViewType) && written;
    written = key.SetDword(L"OptionsSortType", SortType) && written;
    written = key.SetDword(L"OptionsNotifyType", NotifyType) && written;
    written = key.SetDword(L"OptionsNotifyScopes", NotifyScopes) && written;
    return written ? 1 : 0;
}

std::wstring Options::ChatTypeLabel(uint32_t value) { return Label(kChatTypeLabels, value); }
std::wstring Options::ViewTypeLabel(uint32_t value) { return Label(kViewTypeLabels, value); }
std::wstring Options::SortTypeLabel(uint32_t value) { return Label(kSortTypeLabels, value); }
std::wstring Options::NotifyTypeLabel(uint32_t value) { return Label(kNotifyTypeLabels, value); }

std::wstring Options::NotifyScopesLabel(uint32_t value) {
    if (value == 0) return L"사용 안 함";
    if (value > kNotifyScopesMask) return std::wstring();
    std::wstring label;
    const struct {
        uint32_t bit;
        const wchar_t* text;
    } parts[] = {{kNotifySignIn, L"로그인"}, {kNotifyChat, L"대화"}, {kNotifyMemo, L"쪽지"}};
    for (const auto& part : parts) {
        if ((value & part.bit) == 0) continue;
        if (!label.empty()) label += L"+";
        label += part.text;
    }
    return label + L" 알림";
}
