// What the memo screens send. Every request goes inside a CRP2 envelope of route DP with no target;
// each function returns 1 when the envelope was written and 0 when it could not be (no connection,
// or the write failed), and then nothing is left waiting for a reply.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Entries of the memo list per page.
inline constexpr uint32_t kMemoPageSize = 10;
// The reply size limit every memo-box request asks for.
inline constexpr uint16_t kMemoReplyLimit = 8192;

// A memo from the signed-in user (AccountInfo's Id) to the recipients, dated now. event is the
// write form's kind: 0 new, 1 forward, 2 reply, 3 reply to all; cookie names the memo answered or
// forwarded (written for every kind but 0). Font size 9, black, plain, "text". 0 without recipients.
int SendMemo(const std::vector<std::wstring>& recipients, int event, const std::wstring& cookie,
             const std::wstring& body);

// MEMOLST2 for one page of a box (0 inbox, 1 sent box), ten entries a page.
int RequestMemoListPage(uint32_t box, uint32_t page);
// The page after MemoStore's CurrentPage of its CurrentBox (the list's "more" row).
int RequestNextMemoPage();
// MEMOCNT2: its reply sets MemoStore's new-memo flag.
int RequestMemoCount();
// Shows another box: MemoStore drops its memos and takes the box, then page 1 and the count are
// asked for. The memo list empties its rows itself.
int SwitchMemoBox(uint32_t box);
// MEMOGET2 for the memo the cookie names, in the box MemoStore shows (WireBoxType). The reply's
// IMSG fills the memo read view while that page is current.
int RequestMemoFetch(const std::wstring& cookie);
// MEMODEL1 for that memo in the box MemoStore shows.
int RequestMemoDelete(const std::wstring& cookie);
// MEMOSPM1: reports that memo as spam.
int ReportMemoSpam(const std::wstring& cookie);
