#include "app/screens/options/OptionPage.h"

#include <iterator>

#include "app/MessengerApp.h"

ClassSkin OptionPage::s_skin;

namespace {

struct KindTexts {
    const wchar_t* title;
    const wchar_t* help1;
    const wchar_t* help2;
};

constexpr KindTexts kTexts[] = {
    {L"내 상태 설정", L"내 상태를 설정하세요.", L""},
    {L"대화 방식 설정", L"Tevrik 친구를 선택했을 때,", L"처음 커뮤니케이션 하는 방법을 설정하세요."},
    {L"보기 방식 설정", L"친구 보기 방식을 설정하세요.", L""},
    {L"정렬 방식 설정", L"친구 정렬 방식을 설정하세요.", L""},
    {L"알림 방식 설정", L"알림 방식을 설정하세요.", L""},
    {L"알림 범위 설정", L"알림 범위를 설정하세요.", L""},
};

}  // namespace

bool OptionPage::Create() {
    AddChild(&m_help);
    AddChild(&m_table);
    m_help.Create();
    m_table.Create();
    return true;
}

void OptionPage::OnRectChanged(const RECT&) {
    m_help.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void OptionPage::OnVisibleChanged(bool visible) {
    m_help.SetVisible(visible);
    m_table.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (!visible || app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
    if (m_table.Kind() >= std::size(kTexts)) return;
    const KindTexts& texts = kTexts[m_table.Kind()];
    app->StatusBarWindow().TitleStrip().SetTitle(texts.title);
    m_help.SetHelp1(texts.help1);
    m_help.SetHelp2(texts.help2);
}
