// The upper part of a chat window: frame, the partner's presence icon, the title, the invite
// button, the transcript and the status line under it. Strokes to the left and right on it page
// between the open chats.
#pragma once

#include <deque>
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

    // A peer may send lines of any length and any number of them: each line of the text is cut
    // at kMaxLineLength characters and the whole text at kMaxTranscript (each cut marked "…").
    // Once the transcript passes kMaxTranscript glyphs, its oldest entries (what one call added)
    // leave until what is kept fits in kTrimmedTranscript, the newest always staying: the kept
    // lines move up once for a quarter of the bound's worth of new text, not for every line.
    void AppendLine(const std::wstring& text, int kind);
    // Bold text in the transcript's size, coloured by kind; "/code/" tokens of the emoticon list
    // become their pictures. Laid out once.
    void AppendFormatted(const std::wstring& text, int kind);

    static constexpr size_t kMaxLineLength = 4096;
    static constexpr uint32_t kMaxTranscript = 20000;
    static constexpr uint32_t kTrimmedTranscript = kMaxTranscript / 4 * 3;
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
    std::deque<uint32_t> m_entries;  // the glyphs of each entry kept, oldest first
    uint32_t m_kept = 0;             // their sum
};
