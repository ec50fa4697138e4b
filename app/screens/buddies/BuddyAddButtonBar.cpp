#include "app/screens/buddies/BuddyAddButtonBar.h"

#include "app/MessengerApp.h"
#include "framework/ui/drawing/QeDC.h"

ClassSkin BuddyAddButtonBar::s_skin;

namespace {
constexpr const wchar_t* kSection = L"BuddyAdd";
}

bool BuddyAddButtonBar::Create() {
    AddChild(&m_requestButton);
    s_skin.Load(m_requestButton, {kSection, L"ButtonBar", L"RequestButton"});
    s_skin.BackColor({kSection, L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void BuddyAddButtonBar::OnRectChanged(const RECT&) {
    m_requestButton.SetRect(s_skin.Rect({kSection, L"ButtonBar", L"RequestButton"}));
}

void BuddyAddButtonBar::OnVisibleChanged(bool visible) { m_requestButton.SetVisible(visible); }

int BuddyAddButtonBar::OnNotify(QeWindow* child, int code) {
    if (child == &m_requestButton && code == kNotifyClick) {
        if (MessengerApp* app = MessengerApp::Instance()) app->BuddyAdd().SendBuddyRequest();
    }
    return 1;
}

int BuddyAddButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"ButtonBar"}), rect);
    return 1;
}
