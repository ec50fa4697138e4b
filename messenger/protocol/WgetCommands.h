// The memo box lives on the service and is reached with one command, WGET. Its first token names
// the request kind and its counted payload is a form text ("key=value&key=value"). Replies come
// back as WGET lines whose payload may be split into parts; the parts gather in one process-wide
// buffer and the whole is parsed by kind once the last part is in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/QeDateTime.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

// Request kinds, in the order of their tokens.
enum MemoRequestKind : uint32_t {
    kMemoList = 0,    // MEMOLST2
    kMemoCount = 1,   // MEMOCNT2
    kMemoGet = 2,     // MEMOGET2
    kMemoReadList = 3,  // MEMOREL1
    kMemoDelete = 4,  // MEMODEL1
    kMemoSpam = 5,    // MEMOSPM1
    kMemoNoKind = 6,
};

// The parameters of one request kind. Build writes them into Body, which it empties first.
class WgetParams {
public:
    virtual ~WgetParams() = default;
    virtual void Build() {}

    QeMemoryWriter Body;
};

// MEMOLST2: "msgtype", "boxtype" (MemoListType: 0 "1", 1 "3"), "requestpage", "count".
class WgetListParams final : public WgetParams {
public:
    void Build() override;
    uint32_t MsgType = 2;
    uint32_t BoxType = 2;
    uint32_t RequestPage = 0;
    uint32_t Count = 0;
};

// MEMOCNT2: no parameters.
class WgetCountParams final : public WgetParams {};

// MEMOGET2 and MEMODEL1: "cookie", "box_type" (MemoBox: 0 "R", 1 "S", 2 "A").
class WgetItemParams final : public WgetParams {
public:
    void Build() override;
    std::wstring Cookie;
    uint32_t BoxType = 3;
};

// MEMOREL1: "cookie", "seq", "count", "read_yn" (BoolYN).
class WgetReadParams final : public WgetParams {
public:
    void Build() override;
    std::wstring Cookie;
    uint32_t Seq = 0;
    uint32_t Count = 0;
    bool ReadYn = false;
};

// MEMOSPM1: "cookie".
class WgetCookieParams final : public WgetParams {
public:
    void Build() override;
    std::wstring Cookie;
};

class WgetRequest final : public ConcreteRequest<WgetRequest> {
public:
    WgetRequest() : ConcreteRequest(L"WGET") {}
    explicit WgetRequest(int32_t trId) : ConcreteRequest(L"WGET", trId) {}

    // Kind, flag, limit, then the parameters of the kind as a counted payload (count 0 and nothing
    // after it for MEMOCNT2 and for a kind outside the six).
    bool WriteBody(QeMemoryWriter& writer) override;

    // Appends key "=" value escaped as a wire token (only "%", SP, TAB, CR and LF; "=" and "&" stay
    // as they are) in UTF-8, with "&" in front when the body already holds a pair.
    static void AddParam(QeMemoryWriter& body, std::wstring_view key, std::wstring_view value);
    static void AddParam(QeMemoryWriter& body, std::wstring_view key, uint32_t value);

    // The parameter object of Kind; null for a kind outside the six.
    WgetParams* Params();

    uint32_t Kind = kMemoNoKind;
    bool Flag = false;  // BoolYN; every sender leaves it "N"
    uint16_t Limit = 0;  // every sender sets 8192
    WgetListParams List;
    WgetCountParams Count;
    WgetItemParams Get;
    WgetReadParams ReadList;
    WgetItemParams Delete;
    WgetCookieParams Spam;
};

// One entry of a MEMOREL1 result, in wire order.
struct MemoRelItem {
    int32_t Number = 0;
    std::wstring Text1;
    std::wstring Text2;
    int Box = 3;  // "R" 0, "S" 1, "A" 2, else 3
    std::wstring Text3;
    std::wstring Text4;
    QeDateTime Date;
    bool Flag = false;  // "Y"
    std::wstring Text5;
    std::wstring Text6;

    // Ten tokens; separators before the entry are skipped. 0 only when nothing else remains.
    int Parse(TokenReader& reader);
};

class WgetReceived final : public ReceivedMessage {
public:
    explicit WgetReceived(int32_t trId) : ReceivedMessage(L"WGET", trId) {}
    // One reply part: kind, total, part, the memo service's code (into Code) and this part's length
    // from the line; a part numbered 0 or 1 empties the parts buffer; the part's bytes (as many as
    // the frame holds) join the buffer; once the part number equals the total, the buffer is
    // parsed by kind. A reply whose id stands for another command's request is not read.
    bool ReadBody(TokenReader& reader) override;

    uint32_t Kind = kMemoNoKind;
    int32_t Total = 0;
    int32_t Part = 0;
    int32_t Length = 0;
    bool Complete = false;  // this was the last part of a reply that was kept (empty or not)
    bool Parsed = false;    // ... and the gathered payload was parsed

    // MEMOLST2
    uint32_t Page = 0;
    bool ListFlag = false;
    uint32_t PageCount = 0;
    std::vector<MemoRecord> Rows;
    // MEMOCNT2
    int32_t Count = 0;
    // MEMOGET2: the carried memo rebuilt as a frame of its own with id 0.
    QeMemoryWriter Frame;
    TokenReader Reader;
    bool Fetched = false;
    // MEMOREL1
    bool ReadFlag = false;
    std::vector<MemoRelItem> Items;

private:
    void ParseGathered(const uint8_t* bytes, uint32_t size);
};

// Code other than 100: the memo failure box. Once the last part is in, MEMOLST2 sets the pages and
// appends its rows to MemoStore and the memo list, MEMOCNT2 sets the new-memo flag (an empty reply
// counts as no rows on page 0 of 0, and as a count of 0), and MEMOGET2 dispatches the carried IMSG
// with the fetch flag set.
class WgetHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The process-wide buffer that gathers the parts of one memo-box reply. It holds at most
// kMaxMemoParts bytes; a reply that would grow it further is dropped whole.
inline constexpr uint32_t kMaxMemoParts = 8u * 1024u * 1024u;
struct MemoPartsBuffer {
    std::vector<uint8_t> Bytes;
    bool Overflowed = false;  // the reply being gathered went past the cap
};
MemoPartsBuffer& MemoParts();

// Set only while a memo fetched from the memo box is being dispatched.
bool MemoFetchInProgress();
// While it is set: the cookie of the MEMOGET2 request being answered (empty when no request of
// ours is).
const std::wstring& MemoFetchCookie();

// The memo service's name of a code ("Unknown Error" outside the table).
const wchar_t* MemoFailureText(int32_t code);
// "<command> [<code>]\n\n<name>" in a message box.
void ShowMemoFailure(const ReceivedMessage& message);
