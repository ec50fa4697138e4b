#include "app/screens/buddies/BuddyAddTable.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MenuAccount.h"
#include "framework/ui/drawing/QeDC.h"

ClassSkin BuddyAddTable::s_skin;
CaptionColors BuddyAddTable::s_captionColors;

namespace {

constexpr const wchar_t* kSection = L"BuddyAdd";
constexpr int kNativeInput = QeEdit::kNativeInput;
constexpr int kLatinInput = QeEdit::kLatinInput;

constexpr const wchar_t* kCaptions[BuddyAddTable::kRowCount] = {L"ID", L"@", L"메시지", L"그룹"};


void ShowSip(int mode) {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(mode);
}

void HideSip() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().HideSip();
}

}  // namespace

bool BuddyAddTable::Create() {
    if (s_skin.Stale()) s_captionColors = CaptionColors::Read({kSection, L"View", L"LText"});
    s_skin.Load(m_selectionBar, {kSection, L"View", L"SelectionBar"});
    s_skin.Load(m_line, {kSection, L"View", L"Line"});
    s_skin.Load(m_lText, {kSection, L"View", L"LText"});
    s_skin.Load(m_rText, {kSection, L"View", L"RText"});
    s_skin.Load(m_idSkin, {kSection, L"View", L"IdSkin"});
    s_skin.Load(m_accountSkin, {kSection, L"View", L"AccountSkin"});
    s_skin.Load(m_disclosureButton, {kSection, L"View", L"DisclosureButton"});
    AddChild(&m_idEdit);
    AddChild(&m_accountEdit);
    AddChild(&m_accountButton);
    AddChild(&m_requestMessage);
    s_skin.Load(m_idEdit, {kSection, L"View", L"IdEdit"});
    s_skin.Load(m_accountEdit, {kSection, L"View", L"AccountEdit"});
    s_skin.Load(m_accountButton, {kSection, L"View", L"AccountButton"});
    s_skin.Load(m_requestMessage, {kSection, L"View", L"RequestMessage"});
    m_idEdit.SetInputMode(kLatinInput);
    m_accountEdit.SetInputMode(kLatinInput);
    m_requestMessage.SetInputMode(kNativeInput);
    const int height = s_skin.ItemHeight({kSection, L"View"});
    s_skin.MarkRead();
    for (int32_t row = 0; row < kRowCount; ++row) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
    return true;
}

void BuddyAddTable::OnVisibleChanged(bool visible) {
    m_idEdit.SetVisible(true);
    m_accountEdit.SetVisible(true);
    m_accountButton.SetVisible(true);
    m_requestMessage.SetVisible(true);
    if (!visible) return;
    m_idEdit.SetFocus(true);
    ShowSip(kLatinInput);
}

void BuddyAddTable::OnRectChanged(const RECT& rect) {
    QeTableView::OnRectChanged(rect);
    m_idEdit.SetRect(s_skin.Rect({kSection, L"View", L"IdEdit"}));
    m_accountEdit.SetRect(s_skin.Rect({kSection, L"View", L"AccountEdit"}));
    m_accountButton.SetRect(s_skin.Rect({kSection, L"View", L"AccountButton"}));
    m_requestMessage.SetRect(s_skin.Rect({kSection, L"View", L"RequestMessage"}));
}

int BuddyAddTable::OnPenDown(int x, int y) {
    HideSip();
    return QeTableView::OnPenDown(x, y);
}

int BuddyAddTable::OnPenUp(int x, int y) {
    if (!QeTableView::OnPenUp(x, y)) return 0;
    if (GetSelection() != kGroupRow) return 1;
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return 1;
    // No buddy yet: the title's second line stays empty under the typed id.
    app->GroupSelect().Open(GroupSelectPage::kModeBuddyAdd, m_idEdit.GetText(), nullptr, m_chosenGroupName);
    app->SwitchView(&app->GroupSelect(), kSwitchPushLeftwards, false);
    return 1;
}

int BuddyAddTable::OnNotify(QeWindow* child, int code) {
    if (code == kNotifyPenDown) {
        HideSip();
        if (child == &m_idEdit) {
            ShowSip(kLatinInput);
        } else if (child == &m_accountEdit) {
            if ((m_accountEdit.Styles() & QeEdit::kReadOnly) == 0) ShowSip(kLatinInput);
        } else if (child == &m_requestMessage) {
            ShowSip(kNativeInput);
        }
    } else if (code == kNotifyClick && child == &m_accountButton) {
        ShowAccountMenu();
    }
    return QeTableView::OnNotify(child, code);
}

int BuddyAddTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}

int BuddyAddTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr || index < 0 || index >= kRowCount) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter(cell, index == GetSelection(), s_skin.BackColor({kSection, L"View"}), m_selectionBar,
                            s_skin.Rect({kSection, L"View", L"SelectionBar"}));
    switch (index) {
        case 0:
        case 2: cell.DrawImage(m_idSkin, s_skin.Rect({kSection, L"View", L"IdSkin"})); break;
        case 1: cell.DrawImage(m_accountSkin, s_skin.Rect({kSection, L"View", L"AccountSkin"})); break;
        default: cell.DrawImage(m_disclosureButton, s_skin.Rect({kSection, L"View", L"DisclosureButton"})); break;
    }
    m_lText.SetText(kCaptions[index]);
    m_rText.SetText(index == kGroupRow ? m_chosenGroupName : std::wstring());
    painter.Caption(m_lText, s_captionColors, s_skin.Rect({kSection, L"View", L"LText"}));
    cell.DrawText(m_rText, s_skin.Rect({kSection, L"View", L"RText"}));
    cell.DrawImage(m_line, s_skin.Rect({kSection, L"View", L"Line"}));
    return 1;
}

void BuddyAddTable::ShowAccountMenu() { MenuPopup::Popup(new MenuAccount, &BuddyAddTable::OnAccountChosen, this); }

void BuddyAddTable::OnAccountChosen(void* context, QePopup* menu, int result) {
    auto* table = static_cast<BuddyAddTable*>(context);
    if (table == nullptr || menu == nullptr || result != 1) return;
    const int index = static_cast<MenuAccount*>(menu)->Selection();
    QeEdit& edit = table->m_accountEdit;
    if (index != MenuAccount::kTypeIn) {
        edit.SetStyles(QeEdit::kReadOnly | QeEdit::kSingleLine);
        edit.SetText(MenuAccount::RowText(index));
        ShowSip(kLatinInput);
    } else {
        edit.SetStyles(QeEdit::kSingleLine);
        edit.SetText(std::wstring());
        edit.SetFocus(true);
    }
}

void BuddyAddTable::SetChosenGroupName(const std::wstring& name) {
    m_chosenGroupName = name;
    InvalidateItem(kGroupRow);
}
