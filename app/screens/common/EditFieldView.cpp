#include "app/screens/common/EditFieldView.h"

#include "app/MessengerApp.h"
#include "framework/ui/drawing/QeDC.h"

namespace {

void ShowSip(int mode) {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(mode);
}

}  // namespace

bool EditFieldView::Create() {
    AddChild(&m_background);
    AddChild(&m_field);
    m_skin.Load(m_background, {m_section, L"View", L"BackgroundSkin"});
    m_skin.Load(m_field, {m_section, L"View", m_fieldName});
    m_field.SetInputMode(QeEdit::kNativeInput);
    m_field.SetDrawMode(QeScrollView::kDrawWhole);
    return true;
}

void EditFieldView::OnRectChanged(const RECT&) {
    m_background.SetRect(m_skin.Rect({m_section, L"View", L"BackgroundSkin"}));
    m_field.SetRect(m_skin.Rect({m_section, L"View", m_fieldName}));
}

void EditFieldView::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_field.SetVisible(visible);
    if (!visible) return;
    m_field.SetFocus(true);
    ShowSip(m_field.InputMode());
}

int EditFieldView::OnNotify(QeWindow* child, int code) {
    if (child == &m_field && code == kNotifyPenDown) ShowSip(m_field.InputMode());
    return 1;
}

int EditFieldView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_skin.BackColor({m_section, L"View"}), rect);
    return 1;
}

void FillWhole(QeEdit& field, const std::wstring& text) {
    const uint32_t limit = field.MaxInput();
    field.SetMaxInput(0);
    field.SetText(text);
    field.SetMaxInput(limit);
}
