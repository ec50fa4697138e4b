// The requests sent with a transaction id whose replies have not been handled yet, each kept as a
// clone under its id.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "framework/base/QeSingleton.h"
#include "messenger/protocol/ProtocolMessage.h"

class PendingRequests : public QeSingleton<PendingRequests> {
public:
    // Keeps a clone of the request under its TrId. An id already present keeps its first entry and
    // nothing is stored (false); so does a message that cannot be cloned.
    bool Add(const RequestMessage& request);
    // The stored clone, or null.
    RequestMessage* Find(int32_t trId) const;
    // Deletes the clone and its entry; true when there was one.
    bool Remove(int32_t trId);
    // Deletes every clone (the connection is gone, so none of the replies can come any more).
    void Clear();
    size_t Count() const { return m_entries.size(); }
    // True when the test holds for one of the stored clones.
    template <class Test>
    bool Any(Test test) const {
        for (const auto& entry : m_entries) {
            if (test(*entry.second)) return true;
        }
        return false;
    }

    // What every reply handler that takes fields from its request uses: the pending request under
    // the id when it is of the expected command and class, else null (no pending request). A reply
    // whose id was reused by another command must never be read as the wrong request.
    template <class Request>
    Request* PendingAs(int32_t trId, std::wstring_view command) const {
        RequestMessage* request = Find(trId);
        if (request == nullptr || request->Name != command) return nullptr;
        return dynamic_cast<Request*>(request);
    }

private:
    std::map<int32_t, std::unique_ptr<RequestMessage>> m_entries;
};
