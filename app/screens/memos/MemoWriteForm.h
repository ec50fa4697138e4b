// The memo form: recipients, the message and what the memo refers to. It is entered in one of
// four ways (new, forward, reply, reply to all), each of which sets every field; the recipients
// alone change when they are chosen again. It keeps its contents after a send until the next way in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class MemoWriteForm : public QeWindow {
public:
    // The memo event sent with the memo.
    enum Kind : uint32_t { kNew = 0, kForward = 1, kReply = 2, kReplyAll = 3, kNone = 4 };

    static constexpr const wchar_t* kNoRecipientText = L"받을 사람을 추가하세요.";
    static constexpr const wchar_t* kNoMessageText = L"내용을 작성하세요.";

    bool Create();

    // ---- the ways in
    void ResetNew();
    void PrepareForward(const std::wstring& cookie, const std::wstring& text);
    void PrepareReply(const std::wstring& cookie, const std::wstring& sender);
    void PrepareReplyAll(const std::wstring& cookie, const std::vector<std::wstring>& ids);
    // ---- the recipients only
    void SetRecipients(const std::vector<std::wstring>& ids);
    void SetSingleRecipient(const std::wstring& id);

    // The memo sent and the screen left; an alert instead when a recipient or the text is
    // missing, or when it cannot go out (the form then stays as it is).
    void Send();

    uint32_t Kind() const { return m_kind; }
    const std::wstring& ReferenceCookie() const { return m_cookie; }
    const std::vector<std::wstring>& Recipients() const { return m_recipients; }
    std::wstring ReceiverText() { return m_receiverText.Text().Text(); }
    QeEdit& Message() { return m_message; }

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

private:
    void Fill(uint32_t kind, const std::wstring& cookie, const std::vector<std::wstring>& recipients,
              const std::wstring& message);

    uint32_t m_kind = kNone;
    std::wstring m_cookie;
    std::vector<std::wstring> m_recipients;
    QeImageView m_background;
    QeButton m_receiverButton;
    QeImageView m_receiverSkin;
    QeLabel m_receiverText;
    QeButton m_sendButton;
    QeEdit m_message;
    static ClassSkin s_skin;
};
