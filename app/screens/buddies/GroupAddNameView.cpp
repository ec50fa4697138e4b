#include "app/screens/buddies/GroupAddNameView.h"

#include "app/MessengerApp.h"
#include "framework/ui/drawing/QeDC.h"

ClassSkin GroupAddNameView::s_skin;

namespace {
constexpr const wchar_t* kSection = L"GroupAdd";
constexpr int kNativeInput = 0;

void OpenInputPanel() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(kNativeInput);
}
}  // namespace

bool GroupAddNameView::Create() {
    AddChild(&m_background);
    AddChild(&m_groupName);
    s_skin.Load(m_background, {kSection, L"View", L"BackgroundSkin"});
    s_skin.Load(m_groupName, {kSection, L"View", L"GroupName"});
    m_groupName.SetDrawMode(QeScrollView::kDrawWhole);
    s_skin.BackColor({kSection, L"View"});
    s_skin.MarkRead();
    return true;
}

void GroupAddNameView::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, L"View", L"BackgroundSkin"}));
    m_groupName.SetRect(s_skin.Rect({kSection, L"View", L"GroupName"}));
}

void GroupAddNameView::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_groupName.SetVisible(visible);
    if (!visible) return;
    m_groupName.SetFocus(true);
    OpenInputPanel();
}

int GroupAddNameView::OnNotify(QeWindow* child, int code) {
    if (child == &m_groupName && code == kNotifyPenDown) OpenInputPanel();
    return 1;
}

int GroupAddNameView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}
