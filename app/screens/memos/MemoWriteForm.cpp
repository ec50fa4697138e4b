#include "app/screens/memos/MemoWriteForm.h"

#include "app/MessengerApp.h"
#include "app/screens/common/EditFieldView.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/memos/MemoReadContentView.h"
#include "messenger/protocol/MemoRequests.h"
#include "messenger/protocol/ProtocolSession.h"

ClassSkin MemoWriteForm::s_skin;

namespace {

constexpr const wchar_t* kSection = L"MemoWrite";
constexpr const wchar_t* kView = L"View";
constexpr const wchar_t* kChildren[] = {L"BackgroundSkin", L"ReceiverButton", L"ReceiverSkin",
                                        L"ReceiverText",   L"SendButton",     L"Message"};

}  // namespace

bool MemoWriteForm::Create() {
    QeWindow* children[] = {&m_background, &m_receiverButton, &m_receiverSkin, &m_receiverText, &m_sendButton, &m_message};
    for (QeWindow* child : children) AddChild(child);
    s_skin.Load(m_background, {kSection, kView, kChildren[0]});
    s_skin.Load(m_receiverButton, {kSection, kView, kChildren[1]});
    s_skin.Load(m_receiverSkin, {kSection, kView, kChildren[2]});
    s_skin.Load(m_receiverText, {kSection, kView, kChildren[3]});
    s_skin.Load(m_sendButton, {kSection, kView, kChildren[4]});
    s_skin.Load(m_message, {kSection, kView, kChildren[5]});
    m_message.SetInputMode(QeEdit::kNativeInput);
    return true;
}

void MemoWriteForm::Fill(uint32_t kind, const std::wstring& cookie, const std::vector<std::wstring>& recipients,
                         const std::wstring& message) {
    m_kind = kind;
    m_cookie = cookie;
    SetRecipients(recipients);
    FillWhole(m_message, message);
}

void MemoWriteForm::ResetNew() { Fill(kNew, std::wstring(), {}, std::wstring()); }

void MemoWriteForm::PrepareForward(const std::wstring& cookie, const std::wstring& text) {
    Fill(kForward, cookie, {}, text);
}

void MemoWriteForm::PrepareReply(const std::wstring& cookie, const std::wstring& sender) {
    Fill(kReply, cookie, {sender}, std::wstring());
}

void MemoWriteForm::PrepareReplyAll(const std::wstring& cookie, const std::vector<std::wstring>& ids) {
    Fill(kReplyAll, cookie, ids, std::wstring());
}

void MemoWriteForm::SetRecipients(const std::vector<std::wstring>& ids) {
    m_recipients = ids;
    m_receiverText.Text().SetText(MemoReadContentView::JoinDisplayNames(ids));
    m_receiverText.Invalidate(RECT{0, 0, 0, 0}, true);
}

void MemoWriteForm::SetSingleRecipient(const std::wstring& id) { SetRecipients({id}); }

void MemoWriteForm::Send() {
    if (m_recipients.empty()) {
        MsgBox::Alert(kNoRecipientText);
        return;
    }
    // Only the empty text is refused: blanks are a message.
    const std::wstring body = m_message.GetText();
    if (body.empty()) {
        MsgBox::Alert(kNoMessageText);
        return;
    }
    if (SendMemo(m_recipients, static_cast<int>(m_kind), m_cookie, body) == 0) {
        MsgBox::Alert(kNoNetworkText);
        return;
    }
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->MenuBarWindow().HideSip();
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}

void MemoWriteForm::OnRectChanged(const RECT&) {
    QeWindow* children[] = {&m_background, &m_receiverButton, &m_receiverSkin, &m_receiverText, &m_sendButton, &m_message};
    for (size_t i = 0; i < std::size(children); ++i) children[i]->SetRect(s_skin.Rect({kSection, kView, kChildren[i]}));
}

void MemoWriteForm::OnVisibleChanged(bool visible) {
    QeWindow* children[] = {&m_background, &m_receiverButton, &m_receiverSkin, &m_receiverText, &m_sendButton, &m_message};
    for (QeWindow* child : children) child->SetVisible(visible);
    if (!visible) return;
    m_message.SetFocus(true);
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(m_message.InputMode());
}

int MemoWriteForm::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, kView}), rect);
    return 1;
}

int MemoWriteForm::OnNotify(QeWindow* child, int code) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return 1;
    if (child == &m_message && code == kNotifyPenDown) {
        app->MenuBarWindow().ShowSip(m_message.InputMode());
    } else if (code != kNotifyClick) {
        return 1;
    } else if (child == &m_receiverButton) {
        app->MenuBarWindow().HideSip();
        app->BuddySelect().SelectRecipients(m_recipients);
        app->SwitchView(&app->BuddySelect(), kSwitchCoverUpwards, false);
    } else if (child == &m_sendButton) {
        Send();
    }
    return 1;
}
