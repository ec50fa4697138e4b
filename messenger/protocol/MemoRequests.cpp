#include "messenger/protocol/MemoRequests.h"

#include "messenger/model/AccountInfo.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/WgetCommands.h"

namespace {

WgetRequest MakeWget(uint32_t kind) {
    WgetRequest request;
    request.Kind = kind;
    request.Flag = false;
    request.Limit = kMemoReplyLimit;
    return request;
}

uint32_t ShownBoxType() {
    const MemoStore* store = MemoStore::Instance();
    return store != nullptr ? store->WireBoxType() : 3;
}

}  // namespace

int SendMemo(const std::vector<std::wstring>& recipients, int event, const std::wstring& cookie,
             const std::wstring& body) {
    if (recipients.empty()) return 0;
    ImsgRequest memo;
    if (const AccountInfo* account = AccountInfo::Instance()) memo.From = account->Id;
    memo.Refs = recipients;
    memo.Confirm = false;
    QeLocalTime(memo.Date);
    memo.Event = event;
    memo.Cookie = cookie;
    memo.FontSize = 9;
    memo.FontColor = 0;
    memo.FontStyle = 0;
    memo.ContentType = 0;
    memo.Body = body;

    CmsgRequest carrier;
    carrier.Confirm = true;
    carrier.Recipients = recipients;
    if (!carrier.SetInner(memo)) return 0;
    return SendViaDispatch(carrier);
}

int RequestMemoListPage(uint32_t box, uint32_t page) {
    WgetRequest request = MakeWget(kMemoList);
    request.List.MsgType = 0;
    request.List.BoxType = box;
    request.List.RequestPage = page;
    request.List.Count = kMemoPageSize;
    if (SendViaDispatch(request) == 0) return 0;
    if (MemoStore* store = MemoStore::Instance()) store->ListRequestId = request.TrId;
    return 1;
}

int RequestNextMemoPage() {
    const MemoStore* store = MemoStore::Instance();
    if (store == nullptr) return 0;
    return RequestMemoListPage(store->CurrentBox, store->CurrentPage + 1);
}

int RequestMemoCount() {
    WgetRequest request = MakeWget(kMemoCount);
    return SendViaDispatch(request);
}

int SwitchMemoBox(uint32_t box) {
    if (MemoStore* store = MemoStore::Instance()) {
        store->DeleteAllAndClear();
        store->CurrentBox = box;
        // Until page 1 is in, the box has no pages: a failed first page leaves no "more" row.
        store->CurrentPage = 0;
        store->PageCount = 0;
    }
    const int listed = RequestMemoListPage(box, 1);
    const int counted = RequestMemoCount();
    return listed != 0 && counted != 0 ? 1 : 0;
}

int RequestMemoFetch(const std::wstring& cookie) {
    WgetRequest request = MakeWget(kMemoGet);
    request.Get.Cookie = cookie;
    request.Get.BoxType = ShownBoxType();
    return SendViaDispatch(request);
}

int RequestMemoDelete(const std::wstring& cookie) {
    WgetRequest request = MakeWget(kMemoDelete);
    request.Delete.Cookie = cookie;
    request.Delete.BoxType = ShownBoxType();
    return SendViaDispatch(request);
}

int ReportMemoSpam(const std::wstring& cookie) {
    WgetRequest request = MakeWget(kMemoSpam);
    request.Spam.Cookie = cookie;
    return SendViaDispatch(request);
}
