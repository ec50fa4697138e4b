// The whole program under a hostile service and a restless user: the input's frames reach a
// signed-in program whose screens are shown as socket reads reach it (FrameLength, OnPacket), the
// loop run between reads, and between frames the user acts: shows a page, taps a row or its arrow,
// types a line, goes back, answers a box, lets time pass, or the connection fails under the next
// send. Nothing may crash or run into undefined behaviour, and transcripts, pushed memos, request
// entries and chat members stay within their bounds.
//
// The program starts once; each input first puts back the connection, account, buddies b@x "k1"
// and c@x "k2", room "77" and a page. Input: byte 0 is bit 0 the first page (chat, memo list),
// bit 1 how boxes left open are answered at the end (Yes, No), bits 3-7 the read size. Then
// frames; a byte 0xFF where a frame may begin is followed by one action byte (kind in bits 0-2,
// argument in bits 3-7; see Act), and the frames go on after it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatOutputView.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/memos/MemoListPage.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "platform/net/winsock.h"
#include "platform/windows/input.h"
#include "tests/support/MessengerRig.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr uint8_t kActionMark = 0xFF;
// Past every bound a flood meets (pushed memos, request entries, chat members), and no further.
constexpr unsigned kMostCopies = 1100;

// What the program writes goes nowhere; a write may be made to fail as a dead socket's does, its
// failure reported from the loop once the handler that wrote has returned.
class FuzzWire : public SessionWire {
public:
    bool Write(const uint8_t*, uint32_t) override {
        if (!open) return false;
        if (!failNext) return true;
        failNext = false;
        open = false;
        const unsigned connection = connections;
        QeRunLater([this, connection] {
            ProtocolSession* session = ProtocolSession::Instance();
            if (session != nullptr && connection == connections && session->IsConnected()) {
                session->OnError(ws::WSAECONNRESET);
            }
        });
        return false;
    }
    void Close() override { open = false; }
    void Open() {
        open = true;
        failNext = false;
        ++connections;
    }

    bool open = false;
    bool failNext = false;
    unsigned connections = 0;
};

class ProgramUnderFuzz {
public:
    ProgramUnderFuzz() {
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        Check(m_rig.Start());
        ProtocolSession::Instance()->SetWire(&m_wire);
    }

    void Restore(bool memoListShown) {
        ProtocolSession* session = ProtocolSession::Instance();
        if (!session->IsConnected()) {
            m_wire.Open();
            session->Phase = 1;
            session->OnConnected();
            m_rig.Settle();
        }
        m_wire.failNext = false;
        m_last.clear();
        m_rig.App().SetSignedIn(true);
        AccountInfo& account = *AccountInfo::Instance();
        account.Id = account.Name = account.Nickname = L"me@x";
        account.Status = 0;
        for (const wchar_t* id : {L"b@x", L"c@x"}) {
            Buddy buddy;
            buddy.Key = id[0] == L'b' ? L"k1" : L"k2";
            buddy.Id = buddy.Name = buddy.Nickname = id;
            buddy.Status = 0;
            buddy.ListFlags = kListForward | kListReverse;
            BuddyRoster::Instance()->AddOrUpdate(buddy.Key, buddy);
        }
        // Group "0" holds both, as a buddy list's load leaves it (a removal may have taken one out).
        BuddyGroupList& groups = *BuddyGroupList::Instance();
        if (groups.FindEntry(L"0") == nullptr) {
            BuddyGroup group;
            group.Id = L"0";
            group.Name = L"friends";
            groups.InsertEntry(group);
        }
        for (const wchar_t* key : {L"k1", L"k2"}) groups.FindEntry(L"0")->AddMember(key);
        Screens().BuddyListRefresh();
        if (MemoStore::Instance()->CurrentBox != kMemoInbox) m_rig.App().MemoList().Table().SwitchBox(kMemoInbox);
        Show(memoListShown ? 1 : 0);
        m_rig.Settle();
    }

    // The peer's framing loop over the whole queue, one read at a time; the user acts where the
    // input says, between frames.
    void Feed(const uint8_t* bytes, size_t size, size_t readSize) {
        ProtocolSession* session = ProtocolSession::Instance();
        size_t at = 0;
        // Once the connection is gone the program is back at the login screen, where none of the
        // signed-in pages can be shown.
        while (at < size && session->IsConnected()) {
            if (bytes[at] == kActionMark && m_queue.empty()) {
                if (at + 1 < size) Act(bytes[at + 1]);
                at += 2;
                continue;
            }
            // A read ends at the next action, as the user acts between two reads.
            size_t end = std::min(size, at + readSize);
            for (size_t i = at; i < end; ++i) {
                if (bytes[i] == kActionMark) {
                    end = std::max(i, at + 1);
                    break;
                }
            }
            m_queue.append(reinterpret_cast<const char*>(bytes + at), end - at);
            at = end;
            Dispatch(session);
            m_rig.Settle();
        }
        m_queue.clear();
    }

    // The user answers what asks, time passes for the animations, and the bounds are checked.
    void Settle(bool yes) {
        for (int round = 0; round < 4 && dynamic_cast<MsgBox*>(QePopup::Current()) != nullptr; ++round) {
            m_rig.TapBox(yes ? L"YesButton" : L"NoButton");
        }
        m_rig.Pass(1000);
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        for (size_t i = 0; i < chats.Count(); ++i) {
            ChatPage* page = ChatPageOf(chats.ChatAt(i));
            Check(page != nullptr && page->View().Output().GlyphCount() <= ChatOutputView::kMaxTranscript);
            Check(chats.ChatAt(i)->Members.size() <= ChatMemberList::kMax);
        }
        Check(MemoStore::Instance()->PushedCount() <= MemoStore::kMaxPushed);
        // Past the bound stay only the requesters that the two request pages show and those whose
        // answer is awaited.
        Check(BuddyRoster::Instance()->RequestKeys.size() <= kMaxRequestEntries + 2 + PendingRequests::Instance()->Count());
    }

private:
    void Dispatch(ProtocolSession* session) {
        while (!m_queue.empty() && session->IsConnected()) {
            DWORD length = 0;
            session->FrameLength(reinterpret_cast<const BYTE*>(m_queue.data()), static_cast<DWORD>(m_queue.size()),
                                 length);
            if (length == 0 || !session->IsConnected()) break;
            Check(length <= m_queue.size());
            m_last = m_queue.substr(0, length);
            m_queue.erase(0, length);
            session->OnPacket(reinterpret_cast<const uint8_t*>(m_last.data()), length);
        }
        if (!session->IsConnected()) m_queue.clear();
    }

    ChatSession* Room() {
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        ChatSession* chat = chats.FindChatBySessionId(L"77");
        if (chat == nullptr && chats.Count() < ChatSessionManager::kMaxChats) {
            chat = chats.CreateChatSession();
            chat->BuddyId = chat->DisplayName = L"b@x";
            chat->SessionId = L"77";
            for (const wchar_t* id : {L"b@x", L"c@x"}) chat->AddMember(ChatMember{id, id, id, L""});
        }
        return chat;
    }

    // The pages a user reaches from the tab bar and the lists; what is shown is the current view.
    void Show(unsigned which) {
        MessengerApp& app = m_rig.App();
        ChatSession* chat = Room();
        ScreenBase* page = nullptr;
        switch (which % 8) {
            case 0: page = chat != nullptr ? static_cast<ScreenBase*>(ChatPageOf(chat)) : nullptr; break;
            case 1: page = &app.MemoList(); break;
            case 2:
                if (chat != nullptr) {
                    app.ChatInfo().Table().SetSession(chat);
                    app.ChatInfo().Table().Refresh();
                    page = &app.ChatInfo();
                }
                break;
            case 3: page = &app.BuddyList(); break;
            case 4: page = &app.BuddyRequestList(); break;
            case 5: page = &app.ChatList(); break;
            case 6: page = &app.OptionList(); break;
            case 7:
                app.MemoList().Table().SwitchBox(kMemoSentBox);
                page = &app.MemoList();
                break;
        }
        if (page == nullptr) page = &app.MemoList();
        if (app.CurrentPage() != page) app.SetCurrentView(page);
    }

    QeTableView* ShownTable() {
        MessengerApp& app = m_rig.App();
        ScreenBase* page = app.CurrentPage();
        if (page == &app.MemoList()) return &app.MemoList().Table();
        if (page == &app.ChatInfo()) return &app.ChatInfo().Table();
        if (page == &app.BuddyList()) return &app.BuddyList().Table();
        if (page == &app.BuddyRequestList()) return &app.BuddyRequestList().Table();
        if (page == &app.BuddyRequestInfo()) return &app.BuddyRequestInfo().Table();
        if (page == &app.BuddyProfile()) return &app.BuddyProfile().Table();
        if (page == &app.ChatList()) return &app.ChatList().Table();
        if (page == &app.OptionList()) return &app.OptionList().Table();
        if (page == &app.Option()) return &app.Option().Table();
        return nullptr;
    }

    // Kind 0 shows a page; 1 taps a row, 2 the arrow at a row's right end; 3 makes the next write
    // fail; 4 types a line and Enter into whatever has the focus; 5 goes back; 6 answers the open
    // box; 7 lets time pass, or (argument 24 and up) has the last frame come again 16 to 1,100
    // times, so that one input can pass every bound.
    void Act(uint8_t action) {
        const unsigned argument = action >> 3;
        switch (action & 7) {
            case 0: Show(argument); break;
            case 1:
            case 2:
                if (QeTableView* table = ShownTable(); table != nullptr && table->GetItemCount() > 0) {
                    const RECT row = table->GetItemScreenRect(static_cast<int32_t>(argument) % table->GetItemCount());
                    m_rig.TapIn(row, (action & 7) == 2 ? row.right - row.left - 8 : -1);
                }
                break;
            case 3: m_wire.failNext = true; break;
            case 4: {
                static const wchar_t* const kLines[] = {L"hi", L"/윙크/", L"/윙크//하트/ x", L"dkssud", L""};
                m_rig.Type(kLines[argument % 5]);
                m_rig.Key(VK_RETURN);
                break;
            }
            case 5:
                if (dynamic_cast<MsgBox*>(QePopup::Current()) == nullptr) m_rig.Back();
                break;
            case 6:
                if (dynamic_cast<MsgBox*>(QePopup::Current()) != nullptr) {
                    static const wchar_t* const kParts[] = {L"YesButton", L"NoButton", L"OkButton"};
                    m_rig.TapBox(kParts[argument % 3]);
                }
                break;
            case 7:
                if (argument < 24) {
                    m_rig.Pass(100 * argument);
                } else if (!m_last.empty()) {
                    ProtocolSession* session = ProtocolSession::Instance();
                    const std::string pattern = m_last;
                    std::string frame;
                    for (unsigned n = 0; n < std::min(1u << (argument - 20), kMostCopies) && session->IsConnected(); ++n) {
                        // "$$$$" numbers the copies, so that they may be so many different buddies,
                        // memos or members; the frame keeps its length.
                        frame = pattern;
                        char number[5];
                        std::snprintf(number, sizeof number, "%04u", n % 10000);
                        for (size_t at = frame.find("$$$$"); at != std::string::npos; at = frame.find("$$$$", at + 4)) {
                            frame.replace(at, 4, number);
                        }
                        session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()),
                                          static_cast<uint32_t>(frame.size()));
                    }
                    m_rig.Settle();
                }
                break;
        }
        m_rig.Settle();
    }

    MessengerRig m_rig;
    FuzzWire m_wire;
    std::string m_queue, m_last;
};

}  // namespace

// fontconfig keeps caches it never frees, as in the tests.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Never destroyed: the program lives for the whole run, as it does in use.
    static ProgramUnderFuzz* program = new ProgramUnderFuzz();
    if (size == 0) return 0;
    program->Restore((data[0] & 1) != 0);
    program->Feed(data + 1, size - 1, 1 + 3 * static_cast<size_t>(data[0] >> 3) * (data[0] >> 3));
    program->Settle((data[0] & 2) != 0);
    return 0;
}
