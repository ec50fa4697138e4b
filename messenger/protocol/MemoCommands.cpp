#include "messenger/protocol/MemoCommands.h"

#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"
#include "messenger/protocol/WgetCommands.h"
#include "platform/system/text.h"

namespace {

const wchar_t kDatePattern[] = L"yyyyMMddhhmmss";

void WriteRaw(QeMemoryWriter& writer, std::string_view bytes) {
    if (!bytes.empty()) writer.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// One header line: the key with its ":" and the value as one escaped token, no blank between.
void WriteHeaderLine(QeMemoryWriter& writer, std::string_view key, std::wstring_view value) {
    WriteRaw(writer, key);
    WriteRaw(writer, EncodeToken(value));
    WriteCrLf(writer);
}

std::wstring FontColorText(uint32_t color) {
    std::wstring text;
    QeStrings::Format(text, L"#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return text;
}

// "#rrggbb": up to three pairs of hexadecimal digits after the "#", red first; reading stops at
// the first place that holds no digit, and the colours not reached stay 0.
uint32_t ParseFontColor(std::wstring_view text) {
    if (text.empty() || text[0] != L'#') return 0;
    uint32_t color = 0;
    size_t at = 1;
    for (int channel = 0; channel < 3; ++channel) {
        int value = 0;
        size_t digits = 0;
        while (digits < 2 && at < text.size() && HexDigitValue(text[at]) >= 0) {
            value = value * 16 + HexDigitValue(text[at]);
            ++at;
            ++digits;
        }
        if (digits == 0) break;
        color |= static_cast<uint32_t>(value) << (8 * channel);
    }
    return color;
}

std::vector<std::wstring> SplitRefs(const std::wstring& text) {
    std::vector<std::wstring> refs;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) refs.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return refs;
}

}  // namespace

// ---- requests

bool ImsgRequest::WriteBody(QeMemoryWriter& writer) {
    WriteCrLf(writer);
    std::wstring refs;
    QeStrings::Join(refs, Refs, L";");
    std::wstring date;
    FormatDateTime(Date, date, kDatePattern);

    // Reading undoes "%" escapes over the whole body, so a "%" written raw would come back changed.
    std::wstring escapedBody;
    QeStrings::ReplaceAll(escapedBody, Body, L"%", L"%25");
    const std::string body = QeStrings::WideToUtf8(escapedBody);

    WriteHeaderLine(writer, "from:", From);
    WriteHeaderLine(writer, "ref:", refs);
    WriteHeaderLine(writer, "title:", Title);
    WriteHeaderLine(writer, "confirm:", Bool01Token(Confirm));
    WriteHeaderLine(writer, "date:", date);
    WriteHeaderLine(writer, "event:", MemoEventToken(Event));
    if (Event != 0) WriteHeaderLine(writer, "cookie:", Cookie);
    WriteHeaderLine(writer, "font-name:", FontName);
    WriteHeaderLine(writer, "font-size:", SignedNumberToWString(FontSize));
    WriteHeaderLine(writer, "font-color:", FontColorText(FontColor));
    WriteHeaderLine(writer, "font-style:", FontStyleLetters(FontStyle));
    WriteHeaderLine(writer, "contenttype:", ContentTypeToken(ContentType));
    WriteHeaderLine(writer, "length:", NumberToWString(static_cast<uint32_t>(body.size())));
    WriteCrLf(writer);
    WriteRaw(writer, body);
    return true;
}

bool CmsgRequest::SetInner(RequestMessage& inner) {
    Inner.Clear();
    inner.NoTrId = true;
    inner.Buffer.Clear();
    if (!inner.Serialize()) return false;
    Inner.Write(inner.Buffer.Data(), inner.Buffer.Size());
    return true;
}

bool CmsgRequest::WriteBody(QeMemoryWriter& writer) {
    QeMemoryWriter payload;
    for (const std::wstring& id : Recipients) WriteToken(payload, id);
    WriteCrLf(payload);
    if (Inner.Size() > 0) payload.Write(Inner.Data(), Inner.Size());
    WriteToken(writer, BoolYNToken(Confirm));
    WritePayload(writer, payload);
    return true;
}

// ---- received

bool ImsgReceived::ReadBody(TokenReader& reader) {
    std::wstring line;
    while (!reader.AtEnd()) {
        // The header ends at a line that holds nothing (CR bytes aside), decided on the bytes: a
        // line whose value decodes to nothing ("%00") is still a header line.
        uint32_t crs = 0;
        while (crs < reader.Remaining() && reader.Current()[crs] == '\r') ++crs;
        if (crs == reader.Remaining()) {
            reader.Skip(crs);
            break;
        }
        if (reader.Current()[crs] == '\n') {
            reader.Skip(crs + 1);
            break;
        }
        reader.ReadLine(line);
        const size_t colon = line.find(L':');
        if (colon == std::wstring::npos) continue;
        const std::wstring_view key(line.data(), colon);
        std::wstring value = line.substr(colon + 1);
        if (key == L"from") {
            From = std::move(value);
        } else if (key == L"ref") {
            Refs = SplitRefs(value);
        } else if (key == L"title") {
            Title = std::move(value);
        } else if (key == L"date") {
            ParseDateTime(Date, value, kDatePattern);
        } else if (key == L"confirm") {
            Confirm = ParseBool01(value);
        } else if (key == L"cookie") {
            Cookie = std::move(value);
        } else if (key == L"session_id") {
            SessionId = std::move(value);
        } else if (key == L"uuid") {
            Uuid = std::move(value);
        } else if (key == L"event") {
            Event = ParseMemoEvent(value);
        } else if (key == L"related") {
            Related = ParseBoolYN(value);
        } else if (key == L"font-name") {
            FontName = std::move(value);
        } else if (key == L"font-size") {
            FontSize = ParseLeadingInt(value);
        } else if (key == L"font-color") {
            FontColor = ParseFontColor(value);
        } else if (key == L"font-style") {
            FontStyle = ParseFontStyle(value);
        } else if (key == L"contenttype") {
            ContentType = ParseContentType(value);
        } else if (key == L"length") {
            Length = ParseLeadingInt(value);
        }
    }
    reader.ReadAll(Body);
    return true;
}

bool CmsgReceived::ReadBody(TokenReader& reader) {
    const PendingRequests* pending = PendingRequests::Instance();
    IsReply = pending != nullptr && pending->PendingAs<CmsgRequest>(TrId, L"CMSG") != nullptr;
    if (IsReply) {
        int32_t count = 0;
        reader.ReadInt(count);
        std::wstring id;
        while (reader.SkipSeparators()) {
            reader.ReadToken(id);
            if (!id.empty()) Failed.push_back(id);
        }
        return true;
    }

    LineAndPayload parts = SplitAtLine(reader);
    parts.line.ReadToken(Sender);
    int32_t count = 0;
    parts.line.ReadInt(count);
    TokenReader payload(parts.payload, ClampCount(count, parts.payloadSize));
    std::wstring command;
    payload.ReadToken(command);
    if (command.empty()) {
        QeTrace(L"CmsgReceived::ReadBody, the memo from %ls carries no command; nothing is dispatched.\n",
                Sender.c_str());
        return true;
    }
    WriteToken(Frame, command);
    WriteSignedNumber(Frame, 0);
    WriteCrLf(Frame);
    if (payload.Remaining() > 0) Frame.Write(payload.Current(), payload.Remaining());
    Reader.SetBuffer(Frame.Data(), Frame.Size());
    Carries = true;
    return true;
}

// ---- handlers

bool CmsgHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* cmsg = dynamic_cast<CmsgReceived*>(&message);
    if (cmsg == nullptr) return false;
    if (cmsg->IsReply) {
        if (!cmsg->Failed.empty()) {
            std::wstring ids;
            QeStrings::Join(ids, cmsg->Failed, L"\n");
            // The ids are appended, not formatted: the formatter stops at 1024 characters, and a
            // memo to many recipients must not lose the names of those it missed.
            std::wstring text;
            QeStrings::Format(text, kMemoNotDeliveredText, L"");
            text += ids;
            Screens().Alert(text);
        }
        return true;
    }
    if (!cmsg->Carries || session == nullptr) return false;
    session->OnPacket(cmsg->Reader.Data(), cmsg->Reader.Size());
    return true;
}

bool ImsgHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* memo = dynamic_cast<ImsgReceived*>(&message);
    MemoStore* store = MemoStore::Instance();
    if (memo == nullptr || store == nullptr) return false;

    if (MemoFetchInProgress()) {
        ScreenSeam& screens = Screens();
        if (!screens.IsMemoReadPageCurrent()) return true;
        // A late text of a memo opened before must not fill the one shown now.
        MemoRecord* shown = screens.MemoReadRecord();
        if (shown == nullptr || store->IndexOf(shown) < 0 || MemoFetchCookie().empty() ||
            shown->Cookie != MemoFetchCookie()) {
            return true;
        }
        shown->Read = 1;
        screens.MemoReadFill(*memo);
        return true;
    }

    ScreenSeam& screens = Screens();
    // The store holds the box shown; a memo that arrives belongs to the inbox, which lists it when
    // it is read next. In the sent box it would be fetched and deleted as a sent memo.
    if (store->CurrentBox != kMemoSentBox) {
        MemoRecord* record = store->AddFront();
        record->Sender = memo->From;
        record->Summary = memo->Title;
        record->Date = memo->Date;
        record->Cookie = memo->Cookie;
        screens.MemoListInsertNewMemos(1);
        if (store->PushedCount() > MemoStore::kMaxPushed) {
            // The memo being read stays, for its buttons and its text on the way; the next oldest
            // goes in its place.
            size_t oldest = store->PushedCount() - 1;
            if (store->RecordAt(oldest) == screens.MemoReadRecord()) --oldest;
            screens.MemoListDropMemo(store->RecordAt(oldest));
            store->RemoveAt(oldest);
        }
    }
    store->HasNewMemo = 1;
    screens.UpdateNotifyIndicators();
    screens.PlayNotification(3);
    return true;
}

void RegisterMemoCommands(CommandRegistrar& registrar) {
    registrar.Command<CmsgReceived, CmsgHandler>(L"CMSG");
    registrar.Command<ImsgReceived, ImsgHandler>(L"IMSG");
    registrar.Command<WgetReceived, WgetHandler>(L"WGET");
}
