// The whole program under a hostile service: the input's frames reach a signed-in program whose
// screens are shown (the chat page of room "77", or the memo list on the inbox) the way the socket's
// bytes reach it, cut by the session's FrameLength and dispatched by OnPacket, with the loop run
// between reads. What peers send lands in the screens: transcripts, memo rows, request entries,
// chat pages, message boxes. Nothing may crash, read out of range or run into undefined behaviour,
// and the transcript, pushed memos and request entries stay within their bounds.
//
// The program is started once; every input first puts back what the inputs before it may have
// undone (the connection, the account, the buddies b@x "k1" and c@x "k2", room "77" with both, the
// inbox), so the seeds of the chat and memo fuzzers read the same here.
//
// The first input byte is the control: bit 0 the page shown (0 the chat, 1 the memo list), bit 1
// how an open message box is answered (Yes or No), bits 3-7 the size of the reads; the rest is the
// stream from the service.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatOutputView.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/memos/MemoListPage.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/ProtocolSession.h"
#include "tests/support/MessengerRig.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

class Program {
public:
    Program() {
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        Check(m_rig.Start());
        m_rig.CaptureSessionWrites();
    }

    // What every input starts from.
    void Restore(bool memoListShown) {
        ProtocolSession* session = ProtocolSession::Instance();
        if (!session->IsConnected()) m_rig.ConnectCaptured(1);
        m_rig.App().SetSignedIn(true);
        AccountInfo& account = *AccountInfo::Instance();
        account.Id = L"me@x";
        account.Name = L"Me";
        account.Nickname = L"me";
        account.Status = 0;
        BuddyRoster& roster = *BuddyRoster::Instance();
        if (roster.FindEntry(L"k1") == nullptr) AddBuddy(roster, L"k1", L"b@x", L"Bee");
        if (roster.FindEntry(L"k2") == nullptr) AddBuddy(roster, L"k2", L"c@x", L"Cee");
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        ChatSession* chat = chats.FindChatBySessionId(L"77");
        if (chat == nullptr && chats.Count() < ChatSessionManager::kMaxChats) {
            chat = chats.CreateChatSession();
            chat->BuddyId = L"b@x";
            chat->DisplayName = L"Bee";
            chat->SessionId = L"77";
            chat->AddMember(ChatMember{L"b@x", L"Bee", L"bee", L""});
            chat->AddMember(ChatMember{L"c@x", L"Cee", L"cee", L""});
        }
        if (MemoStore::Instance()->CurrentBox != kMemoInbox) m_rig.App().MemoList().Table().SwitchBox(kMemoInbox);
        ScreenBase* page = memoListShown || chat == nullptr ? static_cast<ScreenBase*>(&m_rig.App().MemoList())
                                                            : ChatPageOf(chat);
        if (m_rig.App().CurrentPage() != page) m_rig.App().SetCurrentView(page);
        m_rig.Settle();
        m_rig.Fresh();
    }

    // The peer's framing loop over the whole queue, one read at a time.
    void Feed(const uint8_t* bytes, size_t size, size_t readSize) {
        ProtocolSession* session = ProtocolSession::Instance();
        std::string queue;
        for (size_t at = 0; at < size && session->IsConnected(); at += readSize) {
            queue.append(reinterpret_cast<const char*>(bytes + at), std::min(readSize, size - at));
            while (!queue.empty() && session->IsConnected()) {
                DWORD length = 0;
                session->FrameLength(reinterpret_cast<const BYTE*>(queue.data()), static_cast<DWORD>(queue.size()),
                                     length);
                if (length == 0 || !session->IsConnected()) break;
                Check(length <= queue.size());
                const std::string frame = queue.substr(0, length);
                queue.erase(0, length);
                session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), length);
                Check(session->NestingDepth() == 0);
            }
            m_rig.Settle();
        }
    }

    // The user answers what asks, time passes for the animations, and the bounds are checked.
    void Settle(bool yes) {
        for (int round = 0; round < 4 && dynamic_cast<MsgBox*>(QePopup::Current()) != nullptr; ++round) {
            m_rig.TapBox(yes ? L"YesButton" : L"NoButton");
        }
        m_rig.Pass(1000);
        m_rig.Fresh();
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        Check(chats.Count() <= ChatSessionManager::kMaxChats);
        for (size_t i = 0; i < chats.Count(); ++i) {
            ChatPage* page = ChatPageOf(chats.ChatAt(i));
            Check(page != nullptr);
            Check(page->View().Output().GlyphCount() <= ChatOutputView::kMaxTranscript);
        }
        Check(MemoStore::Instance()->PushedCount() <= MemoStore::kMaxPushed);
    }

private:
    static void AddBuddy(BuddyRoster& roster, const wchar_t* key, const wchar_t* id, const wchar_t* name) {
        Buddy buddy;
        buddy.Key = key;
        buddy.Id = id;
        buddy.Name = name;
        buddy.Nickname = name;
        buddy.Status = 0;
        buddy.ListFlags = kListForward | kListReverse;
        roster.AddOrUpdate(key, buddy);
    }

    MessengerRig m_rig;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Never destroyed: the program lives for the whole run, as it does in use.
    static Program* program = new Program();
    if (size == 0) return 0;
    const uint8_t control = data[0];
    program->Restore((control & 1) != 0);
    const size_t readSize = 1 + 3 * static_cast<size_t>(control >> 3) * static_cast<size_t>(control >> 3);
    program->Feed(data + 1, size - 1, readSize);
    program->Settle((control & 2) != 0);
    return 0;
}
