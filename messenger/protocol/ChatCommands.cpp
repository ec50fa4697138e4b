#include "messenger/protocol/ChatCommands.h"

#include <vector>

#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"

namespace {

// The escaping of a wire token, kept in wide text: what the second reading of the styled text undoes.
std::wstring EscapeForSecondReading(const std::wstring& text, bool separators) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
            case L'%': out += L"%25"; break;
            case L' ': separators ? out += L"%20" : out += c; break;
            case L'\t': separators ? out += L"%09" : out += c; break;
            case L'\r': separators ? out += L"%0d" : out += c; break;
            case L'\n': separators ? out += L"%0a" : out += c; break;
            default: out += c; break;
        }
    }
    return out;
}

ChatSessionManager* Chats() { return ChatSessionManager::Instance(); }

// The chat a carried chat command belongs to: the one whose session id is the target of the CRP2
// that carried it. A command that did not come inside an envelope has no target of its own (the
// envelope session id is whatever the last CRP2 named), so it belongs to no chat.
ChatSession* EnvelopeChat(ProtocolSession* session, const ReceivedMessage& message) {
    if (session == nullptr || session->NestingDepth() < 2) {
        QeTrace(L"EnvelopeChat, the %ls came without an envelope; no chat is touched.\n", message.Name.c_str());
        return nullptr;
    }
    ChatSessionManager* chats = Chats();
    if (chats == nullptr) return nullptr;
    // A chat still waiting for its session id has an empty one; an envelope without a target
    // belongs to none of them.
    ChatSession* chat = EnvelopeSessionId().empty() ? nullptr : chats->FindChatBySessionId(EnvelopeSessionId());
    if (chat == nullptr) {
        QeTrace(L"EnvelopeChat, no chat has the session id \"%ls\" of the %ls; it is dropped.\n",
                EnvelopeSessionId().c_str(), message.Name.c_str());
    }
    return chat;
}

ChatWindow* WindowOf(ChatSession& chat) { return chat.Page.get(); }

// The texts typed while the chat had no member go out in typing order, each an own line now. The
// queue is taken first: sending may write lines, and nothing may queue into what is sent.
void SendQueuedTexts(ChatSession& chat) {
    std::vector<std::wstring> queued;
    queued.swap(chat.QueuedTexts);
    for (const std::wstring& text : queued) ChatSendText(chat, text);
}

// Name and nickname of a participant: the roster's when the buddy is there, else the member's own.
void DisplayNames(const std::wstring& id, const std::wstring& memberName, const std::wstring& memberNickname,
                  std::wstring& name, std::wstring& nickname) {
    BuddyRoster* roster = BuddyRoster::Instance();
    if (Buddy* buddy = roster != nullptr ? roster->Find(id) : nullptr) {
        name = buddy->Name;
        nickname = buddy->Nickname;
    } else {
        name = memberName;
        nickname = memberNickname;
    }
}

}  // namespace

// ---------------------------------------------------------------- requests

bool InvtRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, InviterId);
    WriteToken(writer, Host);
    WriteNumber(writer, Port);
    WriteToken(writer, Cookie);
    return true;
}

bool EntrRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, LoginId);
    WriteToken(writer, Nickname);
    WriteToken(writer, Name);
    WriteToken(writer, Cookie);
    WriteToken(writer, CharsetToken(Charset));
    WriteToken(writer, EnterKindToken(Kind));
    if (Kind == 1) WriteToken(writer, KindText);
    WriteToken(writer, Version);
    WriteToken(writer, TailCodeToken(Tail));
    WriteCrLf(writer);
    return true;
}

std::wstring StyledTextToken(const std::wstring& fontName, uint32_t size, uint32_t style, const std::wstring& text) {
    return JoinStyledText(EscapeForSecondReading(fontName, true), size, style, EscapeForSecondReading(text, false));
}

bool MesgRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, MessageKindToken(Kind));
    if (Kind == kMesgTyping) {
        WriteToken(writer, TypingStateToken(TypingState));
    } else if (Kind == kMesgMsg || Kind == kMesgAwayMsg) {
        WriteToken(writer, StyledTextToken(FontName, FontSize, FontStyle, Text));
    }
    WriteCrLf(writer);
    return true;
}

// ---------------------------------------------------------------- received

bool RessReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Host);
    reader.ReadShort(Port);
    reader.ReadToken(Cookie);
    return true;
}

bool InvtReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(InviterId);
    reader.ReadToken(Host);
    reader.ReadShort(Port);
    reader.ReadToken(Cookie);
    return true;
}

void ChatMemberReceived::ReadMember(TokenReader& reader) {
    reader.ReadToken(LoginId);
    reader.ReadToken(Nickname);
    reader.ReadToken(Name);
    reader.ReadToken(Text);
    std::wstring tail;
    reader.ReadToken(tail);
    Tail = ParseTailCode(tail);
}

ChatMember ChatMemberReceived::Member() const {
    ChatMember member;
    member.Id = LoginId;
    member.Name = Name;
    member.Nickname = Nickname;
    member.Extra = Text;
    member.State = static_cast<uint32_t>(Tail);
    return member;
}

bool JoinReceived::ReadBody(TokenReader& reader) {
    ReadMember(reader);
    return true;
}

bool UserReceived::ReadBody(TokenReader& reader) {
    reader.ReadInt(Index);
    reader.ReadInt(Count);
    ReadMember(reader);
    return true;
}

void ReadStyledText(const std::wstring& payload, std::wstring& fontName, uint32_t& size, uint32_t& style,
                    std::wstring& text) {
    const std::string bytes = QeStrings::WideToUtf8(payload);
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    reader.ReadToken(fontName);
    int32_t number = 0;
    reader.ReadInt(number);
    size = static_cast<uint32_t>(number);
    std::wstring letters;
    reader.ReadToken(letters);
    style = ParseFontStyle(letters);
    reader.ReadAll(text);
}

bool MesgReceived::ReadBody(TokenReader& reader) {
    if (reader.AtEnd()) return true;
    reader.ReadToken(SenderId);
    std::wstring kind;
    reader.ReadToken(kind);
    Kind = ParseMessageKind(kind);
    std::wstring payload;
    reader.ReadToken(payload);
    if (Kind == kMesgTyping) {
        TypingState = ParseTypingState(payload);
    } else if (Kind == kMesgMsg || Kind == kMesgAwayMsg) {
        ReadStyledText(payload, FontName, FontSize, FontStyle, Text);
    }
    return true;
}

// ---------------------------------------------------------------- sending

int SendRess(int32_t* outTrId) {
    ProtocolSession* session = ProtocolSession::Instance();
    if (session == nullptr) return 0;
    Crp2Request envelope;
    envelope.Route = 0;
    RessRequest ress;
    if (outTrId != nullptr) *outTrId = ress.TrId;
    return SendInCrp2(*session, envelope, ress);
}

int SendCsesConn(const std::wstring& host, uint16_t port, const std::wstring& cookie, int32_t* outTrId) {
    ProtocolSession* session = ProtocolSession::Instance();
    if (session == nullptr) return 0;
    CsesRequest conn;
    conn.Op = 3;
    conn.Route = 1;
    conn.Host = host;
    conn.Port = port;
    conn.Cookie = cookie;
    if (outTrId != nullptr) *outTrId = conn.TrId;
    return session->Send(conn);
}

int SendCsesKill(const ChatSession& chat) {
    ProtocolSession* session = ProtocolSession::Instance();
    if (session == nullptr) return 0;
    CsesRequest kill;
    kill.Op = 2;
    kill.Route = 1;
    kill.Id = chat.SessionId;
    return session->Send(kill);
}

int SendInvitation(const ChatSession& chat, const std::wstring& buddyId) {
    ProtocolSession* session = ProtocolSession::Instance();
    AccountInfo* account = AccountInfo::Instance();
    if (session == nullptr || account == nullptr) return 0;
    Crp2Request envelope;
    envelope.Route = 0;
    CtocRequest toClient;
    toClient.TargetId = buddyId;
    toClient.Kind = 1;
    InvtRequest invitation;
    invitation.InviterId = account->Id;
    invitation.Host = chat.Host;
    invitation.Port = chat.Port;
    invitation.Cookie = chat.Cookie;
    if (!toClient.SetInner(invitation)) return 0;
    return SendInCrp2(*session, envelope, toClient);
}

int SendMesg(const ChatSession& chat, MesgRequest& request) {
    ProtocolSession* session = ProtocolSession::Instance();
    if (session == nullptr) return 0;
    Crp2Request envelope;
    envelope.Route = 1;
    envelope.TargetId = chat.SessionId;
    return SendInCrp2(*session, envelope, request);
}

// ---------------------------------------------------------------- texts

namespace {

// "name (nickname)" followed by the rest of a line. Put together rather than formatted: the formatter
// stops at 1024 characters, and names, nicknames and texts are the users' to make as long as they like.
std::wstring NamedLine(const std::wstring& name, const std::wstring& nickname, const wchar_t* rest) {
    return name + L" (" + nickname + L")" + rest;
}

}  // namespace

std::wstring ChatSaidLine(const std::wstring& name, const std::wstring& nickname, const std::wstring& text) {
    return NamedLine(name, nickname, L" 님의 말:\n") + text + L'\n';
}

std::wstring ChatJoinLine(const std::wstring& name, const std::wstring& nickname) {
    return NamedLine(name, nickname, L" 님이 입장하였습니다.\n");
}

std::wstring ChatLeaveLine(const std::wstring& name, const std::wstring& nickname) {
    return NamedLine(name, nickname, L" 님이 퇴장하였습니다.\n");
}

std::wstring ChatTypingText(const std::wstring& name, const std::wstring& nickname) {
    return NamedLine(name, nickname, L" 님이 메시지를 입력하고 있습니다.");
}

std::wstring ChatErrorLine(int32_t code) {
    std::wstring line;
    QeStrings::Format(line, L"[%d] %ls\n", code, ProtocolSession::FailureCodeText(code));
    return line;
}

std::wstring ChatLastMessageText(const QeDateTime& time) {
    std::wstring when;
    FormatDateTime(time, when, L"yyyy-MM-dd hh:mm:ss");
    std::wstring text;
    QeStrings::Format(text, L"마지막 메시지를 받은 시각: %ls", when.c_str());
    return text;
}

// ---------------------------------------------------------------- handlers

bool RessHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) {
        ChatOpeningRefused(message.TrId);
        return false;
    }
    auto* reply = dynamic_cast<RessReceived*>(&message);
    if (reply == nullptr) return false;
    int32_t connId = 0;
    SendCsesConn(reply->Host, reply->Port, reply->Cookie, &connId);
    // An answer carries the id of the RESS it answers; 0 is no request's id.
    ChatSessionManager* chats = Chats();
    ChatSession* chat = chats != nullptr && reply->TrId != 0 ? chats->FindChatByTrId(static_cast<uint32_t>(reply->TrId))
                                                            : nullptr;
    if (chat == nullptr) return false;
    chat->PendingTrId = static_cast<uint32_t>(connId);
    chat->Host = reply->Host;
    chat->Port = reply->Port;
    chat->Cookie = reply->Cookie;
    return true;
}

bool InvtHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* invitation = dynamic_cast<InvtReceived*>(&message);
    ChatSessionManager* chats = Chats();
    if (invitation == nullptr || chats == nullptr) return false;
    if (invitation->InviterId.empty() || invitation->Host.empty() || invitation->Cookie.empty()) {
        QeTrace(L"InvtHandler::Handle, an invitation without inviter, host or cookie (from \"%ls\") is dropped.\n",
                invitation->InviterId.c_str());
        return false;
    }
    ChatSession* chat = chats->FindChatWithBuddy(invitation->InviterId);
    // A chat waiting for its own RESS keeps waiting for it; the invitation gets a chat of its own.
    const bool created = chat == nullptr || chat->State == 1;
    if (created && chats->Count() >= ChatSessionManager::kMaxChats) {
        QeTrace(L"InvtHandler::Handle, %u chats are open; the invitation from \"%ls\" is dropped.\n",
                static_cast<unsigned>(chats->Count()), invitation->InviterId.c_str());
        return false;
    }
    if (!created) {
        // The room the chat holds or is entering already: one more connect would only be one more
        // request waiting for ever (an inviter may send any number of invitations).
        if (chat->Host == invitation->Host && chat->Port == invitation->Port && chat->Cookie == invitation->Cookie) {
            return true;
        }
        // Another room: the connect to the earlier one is given up, so that a chat waits for one
        // answer at most; a late answer to it finds no chat.
        const auto earlier = static_cast<int32_t>(chat->PendingTrId);
        PendingRequests* pending = PendingRequests::Instance();
        if (pending != nullptr && pending->PendingAs<CsesRequest>(earlier, L"CSES") != nullptr) pending->Remove(earlier);
    }
    int32_t connId = 0;
    SendCsesConn(invitation->Host, invitation->Port, invitation->Cookie, &connId);
    if (created) chat = chats->CreateChatSession();
    chat->PendingTrId = static_cast<uint32_t>(connId);
    chat->BuddyId = invitation->InviterId;
    chat->Host = invitation->Host;
    chat->Port = invitation->Port;
    chat->Cookie = invitation->Cookie;
    BuddyRoster* roster = BuddyRoster::Instance();
    const Buddy* buddy = roster != nullptr ? roster->Find(invitation->InviterId) : nullptr;
    chat->DisplayName = buddy != nullptr ? buddy->Name : invitation->InviterId;
    if (created) {
        Screens().PageIndicatorRebuild();
        Screens().ChatListAddRow(chat);
    }
    return true;
}

bool EntrHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    ChatSession* chat = EnvelopeChat(session, message);
    if (chat == nullptr) return false;
    // Members already there (the USER frames came first) mean this side was invited: nobody to ask.
    if (chat->Members.empty()) SendInvitation(*chat, chat->BuddyId);
    return true;
}

bool JoinHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* join = dynamic_cast<JoinReceived*>(&message);
    if (join == nullptr) return false;
    ChatSession* chat = EnvelopeChat(session, message);
    if (chat == nullptr) return false;
    if (chat->State == 1) chat->State = 0;
    if (!chat->AddMember(join->Member())) return false;

    Screens().ParticipantsAddRow(chat);
    if (ChatWindow* window = WindowOf(*chat)) {
        window->UpdateTitle();
        if (chat->Members.size() > 1) window->AppendLine(ChatJoinLine(join->Name, join->Nickname), kChatLineSystem);
    }
    SendQueuedTexts(*chat);
    return true;
}

bool UserHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* user = dynamic_cast<UserReceived*>(&message);
    if (user == nullptr) return false;
    ChatSession* chat = EnvelopeChat(session, message);
    if (chat == nullptr) return false;
    if (!chat->AddMember(user->Member())) return false;

    Screens().ParticipantsAddRow(chat);
    if (ChatWindow* window = WindowOf(*chat)) {
        window->SetBuddyIcon(nullptr);
        window->UpdateTitle();
        window->UpdateInputState();
    }
    // Typed while the room this side was invited to was being entered.
    SendQueuedTexts(*chat);
    return true;
}

bool QuitHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* quit = dynamic_cast<QuitReceived*>(&message);
    if (quit == nullptr) return false;
    ChatSession* chat = EnvelopeChat(session, message);
    if (chat == nullptr) return false;
    const ChatMember* member = chat->FindMember(quit->First);
    if (member == nullptr) {
        QeTrace(L"QuitHandler::Handle, \"%ls\" is no member of the chat \"%ls\"; nothing changes.\n",
                quit->First.c_str(), chat->SessionId.c_str());
        return false;
    }
    const std::wstring id = member->Id;

    ChatWindow* window = WindowOf(*chat);
    if (chat->Members.size() > 1 && window != nullptr) {
        std::wstring name, nickname;
        DisplayNames(id, member->Name, member->Nickname, name, nickname);
        window->AppendLine(ChatLeaveLine(name, nickname), kChatLineSystem);
    }
    const int index = chat->Members.IndexOf(id);
    if (!chat->RemoveMember(id)) return false;

    Screens().ParticipantsRemoveRow(chat, static_cast<size_t>(index));
    if (chat->FindMember(chat->BuddyId) == nullptr && !chat->Members.empty()) {
        chat->BuddyId = chat->Members.front().Id;
        chat->DisplayName = chat->Members.front().Name;
    }
    if (window != nullptr) {
        window->UpdateTitle();
        window->SetBuddyIcon(nullptr);
        window->UpdateInputState();
    }
    return true;
}

bool MesgHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    auto* mesg = dynamic_cast<MesgReceived*>(&message);
    if (mesg == nullptr) return false;
    ChatSession* chat = EnvelopeChat(session, message);
    if (chat == nullptr) return false;
    ChatWindow* window = WindowOf(*chat);

    if (mesg->Code != 100) {
        if (window != nullptr) window->AppendLine(ChatErrorLine(mesg->Code), kChatLineError);
        return false;
    }
    // The service's answer to the user's own line: it is on screen already.
    PendingRequests* pending = PendingRequests::Instance();
    if (mesg->TrId != 0 && pending != nullptr && pending->PendingAs<MesgRequest>(mesg->TrId, L"MESG") != nullptr)
        return true;

    const ChatMember* sender = chat->FindMember(mesg->SenderId);
    if (sender == nullptr) {
        QeTrace(L"MesgHandler::Handle, \"%ls\" is no member of the chat \"%ls\"; the line is dropped.\n",
                mesg->SenderId.c_str(), chat->SessionId.c_str());
        return false;
    }
    std::wstring name, nickname;
    DisplayNames(sender->Id, sender->Name, sender->Nickname, name, nickname);

    if (mesg->Kind == kMesgMsg || mesg->Kind == kMesgAwayMsg) {
        QeDateTime now;
        QeLocalTime(now);
        const bool current = window != nullptr && window->IsCurrentPage();
        if (window != nullptr) {
            window->AppendLine(ChatSaidLine(name, nickname, mesg->Text), kChatLineOther);
            window->SetStatusText(ChatLastMessageText(now));
        }
        if (!current) {
            if (chat->Unread == 0) {
                chat->Unread = 1;
                Screens().UpdateNotifyIndicators();
                Screens().ChatListUpdateRow(chat);
            }
            Screens().PlayNotification(2);
        }
    } else if (mesg->Kind == kMesgTyping && window != nullptr) {
        if (mesg->TypingState == 0) {
            window->SetStatusText(kChatWaitingText);
        } else if (mesg->TypingState == 1) {
            window->SetStatusText(ChatTypingText(name, nickname));
        }
    }
    return true;
}

void RegisterChatCommands(CommandRegistrar& registrar) {
    registrar.Command<RessReceived, RessHandler>(L"RESS");
    registrar.Command<InvtReceived, InvtHandler>(L"INVT");
    registrar.Command<EntrReceived, EntrHandler>(L"ENTR");
    registrar.Command<JoinReceived, JoinHandler>(L"JOIN");
    registrar.Command<UserReceived, UserHandler>(L"USER");
    registrar.Command<QuitReceived, QuitHandler>(L"QUIT");
    registrar.Command<MesgReceived, MesgHandler>(L"MESG");
}
