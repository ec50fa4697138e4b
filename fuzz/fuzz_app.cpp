// The whole program under a hostile service: the input's frames reach a signed-in program whose
// screens are shown (room "77"'s chat page, or the memo list on the inbox) as socket reads reach it
// (FrameLength, OnPacket), the loop run between reads. Nothing may crash or run into undefined
// behaviour, and transcripts and pushed memos stay within their bounds. The program starts once;
// each input first puts back the connection, account, buddies b@x "k1" and c@x "k2", room "77" and
// the inbox. First byte: bit 0 the page (chat, memo list), bit 1 how message boxes are answered (Yes,
// No), bits 3-7 the read size.
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

class ProgramUnderFuzz {
public:
    ProgramUnderFuzz() {
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        Check(m_rig.Start());
    }

    void Restore(bool memoListShown) {
        if (!ProtocolSession::Instance()->IsConnected()) m_rig.ConnectCaptured(1);
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
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        ChatSession* chat = chats.FindChatBySessionId(L"77");
        if (chat == nullptr && chats.Count() < ChatSessionManager::kMaxChats) {
            chat = chats.CreateChatSession();
            chat->BuddyId = chat->DisplayName = L"b@x";
            chat->SessionId = L"77";
            for (const wchar_t* id : {L"b@x", L"c@x"}) chat->AddMember(ChatMember{id, id, id, L""});
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
        for (size_t i = 0; i < chats.Count(); ++i) {
            ChatPage* page = ChatPageOf(chats.ChatAt(i));
            Check(page != nullptr && page->View().Output().GlyphCount() <= ChatOutputView::kMaxTranscript);
        }
        Check(MemoStore::Instance()->PushedCount() <= MemoStore::kMaxPushed);
    }

private:
    MessengerRig m_rig;
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
