#include "app/screens/memos/MemoReadContentView.h"

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"

std::wstring MemoReadContentView::DisplayNameOf(const std::wstring& id) {
    if (const AccountInfo* account = AccountInfo::Instance(); account != nullptr && account->Id == id) {
        return account->Name;
    }
    if (BuddyRoster* roster = BuddyRoster::Instance()) {
        if (const Buddy* buddy = roster->Find(id)) return buddy->Name;
    }
    return id;
}

std::wstring MemoReadContentView::JoinDisplayNames(const std::vector<std::wstring>& ids) {
    std::wstring joined;
    for (const std::wstring& id : ids) {
        if (&id != &ids.front()) joined += L';';
        joined += DisplayNameOf(id);
    }
    return joined;
}
