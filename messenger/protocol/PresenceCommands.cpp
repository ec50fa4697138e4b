#include "messenger/protocol/PresenceCommands.h"

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TokenSets.h"

namespace {

constexpr int kNotifyBuddyOnline = 1;
constexpr uint32_t kHighestOwnPresence = 6;

Buddy* FindBuddy(const std::wstring& id) {
    BuddyRoster* roster = BuddyRoster::Instance();
    return roster != nullptr ? roster->Find(id) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- requests

bool OnstRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, PresenceLetterToken(Presence));
    WriteToken(writer, TypingStateToken(Typing));
    WriteToken(writer, Text);
    WriteToken(writer, TailCodeToken(Tail));
    WriteCrLf(writer);
    return true;
}

bool CnikRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, Nickname);
    WriteCrLf(writer);
    return true;
}

// ---------------------------------------------------------------- received

bool PresenceNoticeReceived::ReadBody(TokenReader& reader) {
    std::wstring token;
    reader.ReadToken(Id);
    reader.ReadToken(token);
    Presence = ParsePresenceLetter(token);
    reader.ReadToken(token);
    Typing = ParseTypingState(token);
    reader.ReadToken(Text);
    reader.ReadToken(token);
    Tail = ParseTailCode(token);
    return true;
}

bool NprfReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Id);
    reader.ReadToken(Mask);
    if (Mask.size() < kMaskPlaces) return false;
    reader.ReadToken(Text1);
    reader.ReadToken(Text2);
    reader.ReadToken(Text3);
    reader.ReadToken(Text4);
    std::wstring flag;
    reader.ReadToken(flag);
    Flag5 = ParseBoolYN(flag) ? 1 : 0;
    reader.ReadToken(Text6);
    return true;
}

bool SnfyReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Text1);
    reader.ReadToken(Text2);
    reader.ReadToken(Notice);
    return true;
}

// ---------------------------------------------------------------- handlers

bool NtfyHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* notice = dynamic_cast<PresenceNoticeReceived*>(&message);
    if (notice == nullptr) return false;
    Buddy* buddy = FindBuddy(notice->Id);
    if (buddy == nullptr) return false;
    // Only a buddy known to be offline "comes online"; one whose presence was never reported (7)
    // is merely being introduced.
    const uint32_t presence = static_cast<uint32_t>(notice->Presence);
    if (buddy->Status == kPresenceOffline && presence != kPresenceOffline) {
        Screens().PlayNotification(kNotifyBuddyOnline);
    }
    buddy->Status = presence;
    Screens().BuddyListUpdateRow(buddy);
    if (ChatSessionManager* chats = ChatSessionManager::Instance()) {
        ChatSession* chat = chats->FindChatWithBuddy(buddy->Id);
        if (chat != nullptr && chat->Page != nullptr) {
            chat->Page->SetBuddyIcon(buddy);
            chat->Page->UpdateInputState();
        }
    }
    return true;
}

bool NnikHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* notice = dynamic_cast<NnikReceived*>(&message);
    if (notice == nullptr) return false;
    Buddy* buddy = FindBuddy(notice->First);
    if (buddy == nullptr) return false;
    buddy->Nickname = notice->Second;
    Screens().BuddyListUpdateRow(buddy);
    return true;
}

bool NprfHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* notice = dynamic_cast<NprfReceived*>(&message);
    if (notice == nullptr) return false;
    // A short mask says nothing about the places it lacks, and the fields after it were not read.
    if (notice->Mask.size() < NprfReceived::kMaskPlaces) return false;
    Buddy* buddy = FindBuddy(notice->Id);
    if (buddy == nullptr) return false;
    const std::wstring& mask = notice->Mask;
    if (mask[0] == L'1') buddy->Profile1 = notice->Text1;
    if (mask[1] == L'1') buddy->Profile2 = notice->Text2;
    if (mask[2] == L'1') buddy->Profile3 = notice->Text3;
    if (mask[3] == L'1') buddy->Profile4 = notice->Text4;
    if (mask[4] == L'1') buddy->ProfileFlag5 = notice->Flag5;
    if (mask[5] == L'1') buddy->Profile6 = notice->Text6;
    return true;
}

bool SnfyHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* notice = dynamic_cast<SnfyReceived*>(&message);
    if (notice == nullptr) return false;
    Screens().ShowNotice(notice->Notice);
    return true;
}

bool OnstHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    Screens().StatusBarCardRefresh();
    return true;
}

// ---------------------------------------------------------------- sending

int SendOwnPresence(uint32_t status) {
    if (status > kHighestOwnPresence) return 0;
    if (AccountInfo* account = AccountInfo::Instance()) account->Status = status;
    OnstRequest request;
    request.Presence = static_cast<int>(status);
    request.Typing = 0;
    request.Tail = 1;
    return SendViaDispatch(request);
}

int SendOwnNickname(const std::wstring& nickname) {
    AccountInfo* account = AccountInfo::Instance();
    if (account != nullptr) {
        if (account->Nickname == nickname) return 0;
        account->Nickname = nickname;
    }
    CnikRequest request;
    request.Nickname = nickname;
    return SendViaDispatch(request);
}

void RegisterPresenceCommands(CommandRegistrar& registrar) {
    registrar.Command<CnikReceived, CnikHandler>(L"CNIK");
    registrar.Command<InfyReceived, NtfyHandler>(L"INFY");
    registrar.Command<NnikReceived, NnikHandler>(L"NNIK");
    registrar.Command<NprfReceived, NprfHandler>(L"NPRF");
    registrar.Command<NtfyReceived, NtfyHandler>(L"NTFY");
    registrar.Command<OnstReceived, OnstHandler>(L"ONST");
    registrar.Command<SnfyReceived, SnfyHandler>(L"SNFY");
}
