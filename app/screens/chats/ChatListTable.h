// The chat list's rows: one per open chat, row i always the i-th chat of ChatSessionManager, with
// the partner's presence, an unread mark, the title and the start time. A tap left of the
// disclosure arrow opens the chat, on the arrow its participants.
//
// Rows are painted and tapped by their index in the chat list, never through a kept pointer: a
// chat that left the model can at worst leave a stale row until the next Rebuild, never a read of
// a freed chat.
#pragma once

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeLabel.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class ChatSession;

class ChatListTable : public QeTableView {
public:
    // The row elements and HelpText loaded from ChatList/View, HelpText added as a child. True.
    bool Create();

    // A row for a chat just created, at the end; HelpText goes.
    void AddSession(ChatSession* session);
    // Repaints the chat's row (its place in the chat list).
    void UpdateSession(ChatSession* session);
    // Every row again, one per chat in the chat list's order; HelpText while there is none.
    void Rebuild();

    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

    QeLabel& HelpText() { return m_helpText; }
    // The x in a row up to which a tap opens the chat; right of it the participants.
    static int DisclosureThreshold();

private:
    void ShowHelpWhenEmpty();
    void OpenChat(ChatSession& chat);
    void OpenParticipants(ChatSession& chat);

    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinImage m_buddyIcon;
    QeSkinImage m_newIcon;
    QeSkinText m_title;
    QeSkinText m_date;
    QeSkinImage m_disclosureButton;
    QeLabel m_helpText;

    static inline ClassSkin s_skin;
    static inline CaptionColors s_titleColors;
    static inline CaptionColors s_dateColors;
};
