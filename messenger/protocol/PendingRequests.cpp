#include "messenger/protocol/PendingRequests.h"

bool PendingRequests::Add(const RequestMessage& request) {
    // Checked before cloning, so a refused entry makes no copy that could be lost.
    if (m_entries.find(request.TrId) != m_entries.end()) return false;
    std::unique_ptr<RequestMessage> clone = request.Clone();
    if (clone == nullptr) return false;
    m_entries.emplace(request.TrId, std::move(clone));
    return true;
}

RequestMessage* PendingRequests::Find(int32_t trId) const {
    const auto found = m_entries.find(trId);
    return found != m_entries.end() ? found->second.get() : nullptr;
}

bool PendingRequests::Remove(int32_t trId) {
    // The entry leaves the table before the clone is deleted, so a destructor that looks at the
    // table never sees it half gone.
    const auto found = m_entries.find(trId);
    if (found == m_entries.end()) return false;
    std::unique_ptr<RequestMessage> clone = std::move(found->second);
    m_entries.erase(found);
    return true;
}

void PendingRequests::Clear() {
    // Emptied before the clones go, for the same reason as in Remove.
    std::map<int32_t, std::unique_ptr<RequestMessage>> entries = std::move(m_entries);
    m_entries.clear();
}
