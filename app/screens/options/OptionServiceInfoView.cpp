#include "app/screens/options/OptionServiceInfoView.h"

#include "framework/base/QeStrings.h"
#include "framework/ui/drawing/QeDC.h"
#include "messenger/protocol/SignIn.h"

ClassSkin OptionServiceInfoView::s_skin;

namespace {
constexpr const wchar_t* kSection = L"OptionServiceInfo";
}

template <class Visit>
void OptionServiceInfoView::ForEachChild(Visit visit) {
    visit(m_logo, L"Logo");
    visit(m_versionText, L"VersionText");
    visit(m_lastUpdateInfoText, L"LastUpdateInfoText");
    visit(m_platformInfoText, L"PlatformInfoText");
    visit(m_applicationName, L"ApplicationName");
    visit(m_line, L"Line");
    visit(m_joruSupportText, L"JoruSupportText");
    visit(m_supportPhone, L"SupportPhone");
    visit(m_supportMail, L"SupportMail");
    visit(m_copyrightText, L"CopyrightText");
}

bool OptionServiceInfoView::Create() {
    ForEachChild([this](auto& child, const wchar_t* name) {
        AddChild(&child);
        s_skin.Load(child, {kSection, L"View", name});
    });
    // The same version the sign-in announces, so the page never tells another one.
    std::wstring version;
    QeStrings::Format(version, L"Ver %ls (Beta)", kClientVersion);
    m_versionText.Text().SetText(version);
    return true;
}

void OptionServiceInfoView::OnRectChanged(const RECT&) {
    ForEachChild([](QeWindow& child, const wchar_t* name) { child.SetRect(s_skin.Rect({kSection, L"View", name})); });
}

void OptionServiceInfoView::OnVisibleChanged(bool visible) {
    ForEachChild([visible](QeWindow& child, const wchar_t*) { child.SetVisible(visible); });
}

int OptionServiceInfoView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}
