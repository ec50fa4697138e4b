// The participants of one chat: a row per member with the presence icon, name and nickname; a tap
// on a roster buddy who is in a group opens that buddy's profile.
//
// The chat is a KeptChat: once it may have gone the table holds no chat (no rows, taps do nothing)
// until it is given one again.
#pragma once

#include <cstdint>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "app/screens/chats/KeptChat.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class ChatMember;
class ChatSession;

class ChatInfoTable : public QeTableView {
public:
    // The row elements loaded from ChatInfo/View. True.
    bool Create();

    // The chat to show, until a chat leaves the list (null: none).
    void SetSession(ChatSession* session);
    // The chat shown, or null when there is none or it may have gone.
    ChatSession* Session() const;
    // Called where chats have just left the list and before any is freed (they are freed from the
    // loop): the chat shown is kept when it is still in the list, else forgotten.
    void KeepSessionIfOpen();
    // Forgets the chat and every row (the log-out reset, before the chats leave the model).
    void Clear();

    // Every row again, one per member of the chat, standing at once. Row i is member i, its text
    // the member's id.
    void Refresh();
    // The chat's last member has just been added: its row is appended, standing at once. The
    // other rows stay as they are (scroll position included).
    void AddLastMemberRow();
    // The member that was at the index has just left: its row goes at once, so that row i goes on
    // drawing member i.
    void RemoveMemberRow(size_t index);

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

private:
    TableItem MemberRow(const ChatMember& member) const;

    KeptChat m_chat;

    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinImage m_buddyIcon;
    QeSkinText m_buddyName;
    QeSkinText m_buddyNick;
    QeSkinImage m_disclosureButton;

    static inline ClassSkin s_skin;
    static inline CaptionColors s_nickColors;
};

// The participants page is the current page and its table shows that very chat.
bool IsChatInfoShowing(const ChatInfoTable& table, const ChatSession* session);
