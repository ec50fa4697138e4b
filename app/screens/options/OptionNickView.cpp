#include "app/screens/options/OptionNickView.h"

#include "app/MessengerApp.h"
#include "framework/ui/drawing/QeDC.h"

ClassSkin OptionNickView::s_skin;

namespace {

constexpr const wchar_t* kSection = L"OptionNick";
constexpr int kNativeInput = 0;

void ShowSip() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(kNativeInput);
}

}  // namespace

bool OptionNickView::Create() {
    AddChild(&m_background);
    AddChild(&m_nick);
    s_skin.Load(m_background, {kSection, L"View", L"BackgroundSkin"});
    s_skin.Load(m_nick, {kSection, L"View", L"Nick"});
    m_nick.SetDrawMode(QeScrollView::kDrawWhole);
    s_skin.BackColor({kSection, L"View"});
    s_skin.MarkRead();
    return true;
}

void OptionNickView::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, L"View", L"BackgroundSkin"}));
    m_nick.SetRect(s_skin.Rect({kSection, L"View", L"Nick"}));
}

void OptionNickView::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_nick.SetVisible(visible);
    if (!visible) return;
    m_nick.SetFocus(true);
    ShowSip();
}

int OptionNickView::OnNotify(QeWindow* child, int code) {
    if (child == &m_nick && code == kNotifyPenDown) ShowSip();
    return 1;
}

int OptionNickView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}
