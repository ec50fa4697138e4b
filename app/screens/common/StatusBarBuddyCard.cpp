#include "app/screens/common/StatusBarBuddyCard.h"

#include <cstdlib>

#include "app/screens/common/Presence.h"
#include "app/screens/common/StatusBar.h"
#include "framework/base/QeStrings.h"
#include "messenger/model/AccountInfo.h"
#include "platform/system/shell.h"

namespace {

constexpr wchar_t kDefaultWebHost[] = L"tevrik.example";

// TEVRIK_WEB_HOST ("host" or "host:port"; a scheme and a path given with it are dropped) when set,
// else the product's own redirect host.
std::wstring WebHost() {
    std::wstring host = kDefaultWebHost;
    if (const char* setting = std::getenv("TEVRIK_WEB_HOST")) {
        std::wstring value = QeStrings::Trim(QeStrings::Utf8ToWide(setting));
        if (const size_t scheme = value.find(L"://"); scheme != std::wstring::npos) value.erase(0, scheme + 3);
        value = value.substr(0, value.find(L'/'));
        if (!value.empty()) host = value;
    }
    return host;
}

}  // namespace

void StatusBarBuddyCard::Create() {
    ClassSkin& skin = StatusBar::Skin();
    m_bar.AddChild(&m_statusIcon);
    m_bar.AddChild(&m_nick);
    m_bar.AddChild(&m_mailIcon);
    m_bar.AddChild(&m_pontaroIcon);
    skin.Load(m_statusIcon, {StatusBar::kSection, kPart, L"StatusIcon"});
    skin.Load(m_nick, {StatusBar::kSection, kPart, L"Nick"});
    skin.Load(m_mailIcon, {StatusBar::kSection, kPart, L"MailIcon"});
    skin.Load(m_pontaroIcon, {StatusBar::kSection, kPart, L"PontaroIcon"});
}

void StatusBarBuddyCard::Layout() {
    ClassSkin& skin = StatusBar::Skin();
    m_statusIcon.SetRect(skin.Rect({StatusBar::kSection, kPart, L"StatusIcon"}));
    m_nick.SetRect(skin.Rect({StatusBar::kSection, kPart, L"Nick"}));
    m_mailIcon.SetRect(skin.Rect({StatusBar::kSection, kPart, L"MailIcon"}));
    m_pontaroIcon.SetRect(skin.Rect({StatusBar::kSection, kPart, L"PontaroIcon"}));
}

void StatusBarBuddyCard::Show(bool show) {
    for (QeWindow* widget : {static_cast<QeWindow*>(&m_statusIcon), static_cast<QeWindow*>(&m_nick),
                             static_cast<QeWindow*>(&m_mailIcon), static_cast<QeWindow*>(&m_pontaroIcon)}) {
        widget->SetVisible(show);
    }
}

bool StatusBarBuddyCard::OnNotify(QeWindow* child, int code) {
    if (child == &m_mailIcon || child == &m_pontaroIcon) {
        if (code == kNotifyClick) OpenWebPage(child == &m_mailIcon ? L"G115" : L"D044");
        return true;
    }
    return child == &m_statusIcon || child == &m_nick;
}

void StatusBarBuddyCard::Refresh() {
    const AccountInfo* account = AccountInfo::Instance();
    if (account == nullptr) return;
    m_statusIcon.Image().SetSourceRect(GetStatusIconRect(account->Status, 0));
    m_nick.Text().SetText(account->Nickname);
    m_statusIcon.Invalidate(RECT{0, 0, 0, 0}, true);
    m_nick.Invalidate(RECT{0, 0, 0, 0}, true);
}

std::wstring StatusBarBuddyCard::WebPageUrl(const wchar_t* code, const std::wstring& ticket) {
    return L"http://" + WebHost() + L"/index.php?code=" + code + L"&t=" + ticket;
}

void StatusBarBuddyCard::OpenWebPage(const wchar_t* code) {
    const AccountInfo* account = AccountInfo::Instance();
    const std::wstring url = WebPageUrl(code, account != nullptr ? account->TickText : std::wstring());
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWNORMAL;
    // A page the shell refuses to open shows nothing.
    ShellExecuteEx(&info);
}
