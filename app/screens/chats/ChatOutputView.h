// The upper part of a chat window: frame, the partner's presence icon, the title, the invite
// button, the transcript and the status line under it. Strokes to the left and right on it page
// between the open chats.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeGestureDetector.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class Buddy;
class ChatPage;

// Every flashcon tag becomes the label "플래시콘 (name)", the name being the tag's fourth '|' field
// (cut at 1023 characters). From a tag without an end, or whose fourth field cannot be read, the
// rest of the text stays as it is.
std::wstring ReplaceFlashconTags(const std::wstring& text);

class ChatOutputView : public QeWindow {
public:
    // Line kinds.
    enum Kind : int { kSystem = 0, kMe = 1, kOther = 2, kError = 3 };

    ChatOutputView();
    // The children added and loaded from "Chat/View"; the class's values read once per skin.
    bool Create(ChatPage* page);

    void AppendLine(const std::wstring& text, int kind);
    // Bold text in the transcript's size, coloured by kind; "/code/" tokens of the emoticon list
    // become their pictures.
    void AppendFormatted(const std::wstring& text, int kind);
    void SetStatusText(const std::wstring& text);
    void UpdateTitle();
    void SetBuddyIcon(const Buddy* buddy);

    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    // The part's back colour under its children: moved for the input panel, they uncover it.
    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;
    int OnGesture(int value, int direction) override;
    int OnSipShown(const RECT& panel) override;
    int OnSipHidden() override;

    QeEdit& Output() { return m_output; }
    QeLabel& Title() { return m_title; }
    QeLabel& Date() { return m_date; }

private:
    static RECT SkinRect(const wchar_t* part);

    ChatPage* m_page = nullptr;
    QeImageView m_tSkin;
    QeImageView m_bSkin;
    QeImageView m_lSkin;
    QeImageView m_rSkin;
    QeImageView m_buddyIcon;
    QeLabel m_title;
    QeButton m_inviteButton;
    QeEdit m_output;
    QeLabel m_date;
    QeGestureDetector m_gestures;
};
