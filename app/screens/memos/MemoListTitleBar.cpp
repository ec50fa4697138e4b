#include "app/screens/memos/MemoListTitleBar.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MenuMemoBox.h"
#include "app/screens/memos/MemoListTable.h"

ClassSkin MemoListTitleBar::s_skin;

namespace {
constexpr const wchar_t* kSection = L"MemoList";
constexpr const wchar_t* kBar = L"TitleBar";
}  // namespace

bool MemoListTitleBar::Create(MemoListTable* table) {
    m_table = table;
    for (QeWindow* child : {static_cast<QeWindow*>(&m_background), static_cast<QeWindow*>(&m_boxText),
                            static_cast<QeWindow*>(&m_boxButton), static_cast<QeWindow*>(&m_writeButton)}) {
        AddChild(child);
    }
    s_skin.Load(m_background, {kSection, kBar, L"BackgroundSkin"});
    s_skin.Load(m_boxText, {kSection, kBar, L"BoxText"});
    s_skin.Load(m_boxButton, {kSection, kBar, L"BoxButton"});
    s_skin.Load(m_writeButton, {kSection, kBar, L"WriteButton"});
    return true;
}

void MemoListTitleBar::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, kBar, L"BackgroundSkin"}));
    m_boxText.SetRect(s_skin.Rect({kSection, kBar, L"BoxText"}));
    m_boxButton.SetRect(s_skin.Rect({kSection, kBar, L"BoxButton"}));
    m_writeButton.SetRect(s_skin.Rect({kSection, kBar, L"WriteButton"}));
}

void MemoListTitleBar::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_boxText.SetVisible(visible);
    m_boxButton.SetVisible(visible);
    m_writeButton.SetVisible(visible);
}

int MemoListTitleBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, kBar}), rect);
    return 1;
}

void MemoListTitleBar::OnBoxMenuClosed(void* context, QePopup* popup, int result) {
    auto* table = static_cast<MemoListTable*>(context);
    if (result != 1 || table == nullptr) return;
    const int box = static_cast<MenuMemoBox*>(popup)->Selection();
    if (box != MenuMemoBox::kNoChoice) table->SwitchBox(static_cast<uint32_t>(box));
}

int MemoListTitleBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    MessengerApp* app = MessengerApp::Instance();
    if (child == &m_boxButton) {
        MenuPopup::Popup(new MenuMemoBox, &MemoListTitleBar::OnBoxMenuClosed, m_table);
    } else if (child == &m_writeButton && app != nullptr) {
        app->MemoWrite().Form().ResetNew();
        app->SwitchView(&app->MemoWrite(), kSwitchCoverUpwards, false);
    }
    return 1;
}
