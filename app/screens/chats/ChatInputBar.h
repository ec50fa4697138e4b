// The lower part of a chat window: the line being written with the emoticon button, or, while the
// user cannot chat, the reason why. Enter sends the line; the first character and the last one
// deleted send the typing notices.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class ChatPage;

class ChatInputBar : public QeWindow {
public:
    // The emoticons the button inserts are drawn this size, whatever their pictures' size.
    static constexpr int kEmoticonSize = 20;

    ChatInputBar();
    bool Create(ChatPage* page);

    // Enabled while Input is shown; it has no other flag.
    bool IsEnabled() const { return m_input.IsVisible(); }
    void Enable();
    // The reason shown in place of Input; nothing changes while it is hidden already.
    void Disable(const std::wstring& reason);

    void SendText(const std::wstring& text);
    void SendTypingStarted();
    void SendTypingStopped();
    // After a character or composition reached Input.
    void OnKey(wchar_t character);
    // What the emoticon menu answers: result 1 with an index inserts that emoticon. In every case
    // Input takes the focus back and the input panel opens again.
    void OnEmoticonChosen(int result, int index);

    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    // The part's back colour under its children: moved for the input panel, they uncover it.
    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;
    int OnSipShown(const RECT& panel) override;
    int OnSipHidden() override;

    QeEdit& Input() { return m_input; }
    QeLabel& DisabledReason() { return m_disabledReason; }
    QeButton& EmoticonButton() { return m_emoticonButton; }

private:
    static RECT SkinRect(const wchar_t* part);
    void OpenInputPanel();
    void PopupEmoticonMenu();

    ChatPage* m_page = nullptr;
    // Read from the skin once: the bar is drawn again under every change of the caret's colour.
    COLORREF m_backColor = 0;
    QeImageView m_background;
    QeEdit m_input;
    QeLabel m_disabledReason;
    QeButton m_emoticonButton;
};
