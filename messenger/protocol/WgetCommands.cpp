#include "messenger/protocol/WgetCommands.h"

#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"

namespace {

bool g_fetchInProgress = false;
std::wstring g_fetchCookie;

struct MemoFailureName {
    int32_t code;
    const wchar_t* text;
};

const MemoFailureName kMemoFailureNames[] = {
    {100, L"FailureCodeSuccess"},
    {201, L"FailureCodeInvalidParameter"},
    {202, L"FailureCodeMemoNotExists"},
    {300, L"FailureCodeIdNotExists"},
    {490, L"FailureCodeSystemError"},
    {500, L"FailureCodeDbError"},
};

uint32_t NonNegative(int32_t value) { return value > 0 ? static_cast<uint32_t>(value) : 0; }

// Sets the flag for the length of one nested dispatch and puts back what was there before.
class FetchScope {
public:
    explicit FetchScope(std::wstring cookie) : m_before(g_fetchInProgress), m_cookieBefore(std::move(g_fetchCookie)) {
        g_fetchInProgress = true;
        g_fetchCookie = std::move(cookie);
    }
    ~FetchScope() {
        g_fetchInProgress = m_before;
        g_fetchCookie = std::move(m_cookieBefore);
    }
    FetchScope(const FetchScope&) = delete;
    FetchScope& operator=(const FetchScope&) = delete;

private:
    bool m_before;
    std::wstring m_cookieBefore;
};

// A page asked for before the last list request (another box, or a page the list no longer
// waits for) must not land in the rows the list shows now.
bool AnswersLastListRequest(const WgetReceived& reply) {
    const MemoStore* store = MemoStore::Instance();
    return store != nullptr && (store->ListRequestId == 0 || store->ListRequestId == reply.TrId);
}

}  // namespace

MemoPartsBuffer& MemoParts() {
    static MemoPartsBuffer buffer;
    return buffer;
}

bool MemoFetchInProgress() { return g_fetchInProgress; }

const std::wstring& MemoFetchCookie() { return g_fetchCookie; }

const wchar_t* MemoFailureText(int32_t code) {
    for (const MemoFailureName& entry : kMemoFailureNames) {
        if (entry.code == code) return entry.text;
    }
    return L"Unknown Error";
}

void ShowMemoFailure(const ReceivedMessage& message) {
    std::wstring text;
    QeStrings::Format(text, L"%ls [%d]\n\n%ls", message.Name.c_str(), message.Code, MemoFailureText(message.Code));
    Screens().Alert(text);
}

// ---- parameters

void WgetListParams::Build() {
    Body.Clear();
    WgetRequest::AddParam(Body, L"msgtype", MemoListTypeToken(static_cast<int>(MsgType)));
    WgetRequest::AddParam(Body, L"boxtype", MemoListTypeToken(static_cast<int>(BoxType)));
    WgetRequest::AddParam(Body, L"requestpage", RequestPage);
    WgetRequest::AddParam(Body, L"count", Count);
}

void WgetItemParams::Build() {
    Body.Clear();
    WgetRequest::AddParam(Body, L"cookie", Cookie);
    WgetRequest::AddParam(Body, L"box_type", MemoBoxToken(static_cast<int>(BoxType)));
}

void WgetReadParams::Build() {
    Body.Clear();
    WgetRequest::AddParam(Body, L"cookie", Cookie);
    WgetRequest::AddParam(Body, L"seq", Seq);
    WgetRequest::AddParam(Body, L"count", Count);
    WgetRequest::AddParam(Body, L"read_yn", BoolYNToken(ReadYn));
}

void WgetCookieParams::Build() {
    Body.Clear();
    WgetRequest::AddParam(Body, L"cookie", Cookie);
}

// ---- request

void WgetRequest::AddParam(QeMemoryWriter& body, std::wstring_view key, std::wstring_view value) {
    std::wstring pair(key);
    pair += L'=';
    pair += value;
    const std::string wire = EncodeToken(pair);
    if (body.Size() > 0) body.Write("&", 1);
    body.Write(wire.data(), static_cast<uint32_t>(wire.size()));
}

void WgetRequest::AddParam(QeMemoryWriter& body, std::wstring_view key, uint32_t value) {
    AddParam(body, key, NumberToWString(value));
}

WgetParams* WgetRequest::Params() {
    switch (Kind) {
        case kMemoList: return &List;
        case kMemoCount: return &Count;
        case kMemoGet: return &Get;
        case kMemoReadList: return &ReadList;
        case kMemoDelete: return &Delete;
        case kMemoSpam: return &Spam;
        default: return nullptr;
    }
}

bool WgetRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, MemoRequestKindToken(static_cast<int>(Kind)));
    WriteToken(writer, BoolYNToken(Flag));
    WriteNumber(writer, Limit);
    WgetParams* params = Params();
    if (params == nullptr) {
        WritePayload(writer, nullptr, 0);
        return true;
    }
    params->Build();
    WritePayload(writer, params->Body);
    return true;
}

// ---- received

int MemoRelItem::Parse(TokenReader& reader) {
    if (!reader.SkipSeparators()) return 0;
    std::wstring box;
    std::wstring date;
    std::wstring flag;
    reader.ReadInt(Number);
    reader.ReadToken(Text1);
    reader.ReadToken(Text2);
    reader.ReadToken(box);
    reader.ReadToken(Text3);
    reader.ReadToken(Text4);
    reader.ReadToken(date);
    reader.ReadToken(flag);
    reader.ReadToken(Text5);
    reader.ReadToken(Text6);
    Box = ParseMemoBox(box);
    ParseDateTime(Date, date, L"yyyyMMddhhmmss");
    Flag = ParseBoolYN(flag);
    return 1;
}

bool WgetReceived::ReadBody(TokenReader& reader) {
    // An id that stands for another command's request names no memo-box reply; its bytes must not
    // join the parts of the reply being gathered. (Only the first part finds its request: the entry
    // goes once that part is handled.)
    if (const PendingRequests* pending = PendingRequests::Instance()) {
        if (pending->Find(TrId) != nullptr && pending->PendingAs<WgetRequest>(TrId, L"WGET") == nullptr) {
            QeTrace(L"WgetReceived::ReadBody, id %d belongs to a request that is no WGET; the reply is not read.\n",
                    TrId);
            return false;
        }
    }

    LineAndPayload frame = SplitAtLine(reader);
    TokenReader& line = frame.line;

    std::wstring kind;
    line.ReadToken(kind);
    Kind = static_cast<uint32_t>(ParseMemoRequestKind(kind));
    line.ReadInt(Total);
    line.ReadInt(Part);
    line.ReadInt(Code);
    line.ReadInt(Length);

    MemoPartsBuffer& parts = MemoParts();
    if (Part == 0 || Part == 1) {
        parts.Bytes.clear();
        parts.Overflowed = false;
    }
    const uint32_t count = ClampCount(Length, frame.payloadSize);
    if (count > 0 && !parts.Overflowed) {
        if (parts.Bytes.size() + count > kMaxMemoParts) {
            QeTrace(L"WgetReceived::ReadBody, the %ls reply grows past %u bytes; it is dropped.\n", kind.c_str(),
                    kMaxMemoParts);
            parts.Bytes.clear();
            parts.Bytes.shrink_to_fit();
            parts.Overflowed = true;
        } else {
            parts.Bytes.insert(parts.Bytes.end(), frame.payload, frame.payload + count);
        }
    }
    Complete = Part == Total && !parts.Overflowed;
    // The request stays pending until its last part: the fetched memo is matched to it then.
    AwaitsMoreParts = Part >= 1 && Part < Total && !parts.Overflowed;
    if (Complete && !parts.Bytes.empty()) ParseGathered(parts.Bytes.data(), static_cast<uint32_t>(parts.Bytes.size()));
    return true;
}

void WgetReceived::ParseGathered(const uint8_t* bytes, uint32_t size) {
    TokenReader reader(bytes, size);
    switch (Kind) {
        case kMemoList: {
            int32_t page = 0;
            int32_t pageCount = 0;
            std::wstring flag;
            reader.ReadInt(page);
            reader.ReadToken(flag);
            reader.ReadInt(pageCount);
            Page = NonNegative(page);
            ListFlag = ParseBool01(flag);
            PageCount = NonNegative(pageCount);
            MemoRecord row;
            while (row.ParseListRow(reader) != 0) Rows.push_back(row);
            break;
        }
        case kMemoCount:
            reader.ReadInt(Count);
            break;
        case kMemoGet: {
            std::wstring command;
            reader.ReadToken(command);
            if (command.empty()) {
                QeTrace(L"WgetReceived::ReadBody, the fetched memo carries no command; nothing is dispatched.\n");
                break;
            }
            // Every gathered byte after the name belongs to the memo, however many parts brought it.
            WriteToken(Frame, command);
            WriteSignedNumber(Frame, 0);
            WriteCrLf(Frame);
            if (reader.Remaining() > 0) Frame.Write(reader.Current(), reader.Remaining());
            Reader.SetBuffer(Frame.Data(), Frame.Size());
            Fetched = true;
            break;
        }
        case kMemoReadList: {
            std::wstring flag;
            reader.ReadToken(flag);
            ReadFlag = ParseBoolYN(flag);
            MemoRelItem item;
            while (item.Parse(reader) != 0) Items.push_back(item);
            break;
        }
        default:
            break;
    }
    Parsed = true;
}

// ---- handler

bool WgetHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    auto* reply = dynamic_cast<WgetReceived*>(&message);
    if (reply == nullptr) return false;
    if (reply->Code != 100) {
        // Only a request of ours may be answered with a box: the code stands in the reply's own
        // line, so a failure that no WGET is waiting for (a repeat, another part, a stray) would
        // otherwise open box after box.
        const PendingRequests* pending = PendingRequests::Instance();
        if (pending == nullptr || pending->PendingAs<WgetRequest>(reply->TrId, L"WGET") == nullptr) {
            QeTrace(L"WgetHandler::Handle, code %d answers no WGET of ours (id %d); it is dropped.\n", reply->Code,
                    reply->TrId);
            return false;
        }
        ShowMemoFailure(*reply);
        // The list asked for a page and shows "로드 중..." until an answer: an empty page gives
        // it back its "more" row, so the next tap asks again.
        if (reply->Kind == kMemoList && AnswersLastListRequest(*reply)) Screens().MemoListAppendPage(0);
        return false;
    }
    // An empty reply still sets the pages (so no stale "more" row stays) and the new-memo flag.
    if (!reply->Complete) return true;

    switch (reply->Kind) {
        case kMemoList: {
            MemoStore* store = MemoStore::Instance();
            if (store == nullptr) return false;
            if (!AnswersLastListRequest(*reply)) {
                QeTrace(L"WgetHandler::Handle, list reply %d answers an older request; it is dropped.\n", reply->TrId);
                return false;
            }
            store->CurrentPage = reply->Page;
            store->PageCount = reply->PageCount;
            for (const MemoRecord& row : reply->Rows) *store->AddBack() = row;
            Screens().MemoListAppendPage(static_cast<int>(reply->Rows.size()));
            break;
        }
        case kMemoCount: {
            MemoStore* store = MemoStore::Instance();
            if (store == nullptr) return false;
            const uint8_t hasNew = reply->Count != 0 ? 1 : 0;
            if (hasNew != store->HasNewMemo) {
                store->HasNewMemo = hasNew;
                Screens().UpdateNotifyIndicators();
            }
            break;
        }
        case kMemoGet: {
            if (!reply->Fetched || session == nullptr) return false;
            // The memo this reply answers: the carried IMSG's own cookie names the memo it
            // answered or forwarded, not this one.
            const PendingRequests* pending = PendingRequests::Instance();
            const WgetRequest* request = pending != nullptr ? pending->PendingAs<WgetRequest>(reply->TrId, L"WGET") : nullptr;
            FetchScope scope(request != nullptr && request->Kind == kMemoGet ? request->Get.Cookie : std::wstring());
            session->OnPacket(reply->Reader.Data(), reply->Reader.Size());
            break;
        }
        default:
            break;
    }
    return true;
}
