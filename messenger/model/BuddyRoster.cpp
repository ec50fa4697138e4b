#include "messenger/model/BuddyRoster.h"

#include <algorithm>
#include <cstring>
#include <new>

BuddyRoster::~BuddyRoster() { DestroyBuddies(); }

Buddy* BuddyRoster::FindEntry(std::wstring_view key) {
    const uint32_t at = m_byKey.Find(key, [this](uint32_t p) { return m_records[p].key; });
    return at != TextIndex::kNone ? m_records[at].buddy : nullptr;
}

Buddy* BuddyRoster::Find(std::wstring_view id) {
    const uint32_t at = m_byId.Find(id, [this](uint32_t p) { return m_records[p].id; });
    return at != TextIndex::kNone ? m_records[at].buddy : nullptr;
}

int BuddyRoster::AddOrUpdate(std::wstring_view key, const Buddy& buddy) {
    if (FindEntry(key) != nullptr) return 1;
    return AddOrUpdate(key, Buddy(buddy));
}

int BuddyRoster::AddOrUpdate(std::wstring_view key, Buddy&& buddy) {
    bool added = false;
    bool reuse = false;
    const uint32_t at = m_byKey.Insert(
        key, [this](uint32_t p) { return m_records[p].key; },
        [&] {
            reuse = !m_free.empty();
            const auto position = reuse ? m_free.back() : static_cast<uint32_t>(m_records.size());
            // The key is copied before the buddy moves: it may be one of the buddy's own texts.
            Record record{Keep(key, reuse, position, 0), {}, nullptr};
            void* memory = reuse ? m_records[position].buddy : m_buddies.Allocate(sizeof(Buddy), alignof(Buddy));
            record.buddy = new (memory) Buddy(std::move(buddy));
            if (m_sorted && !m_order.empty() && !(m_records[m_order.back()].key < record.key)) m_sorted = false;
            if (reuse) {
                m_free.pop_back();
                m_records[position] = record;
            } else {
                m_records.push_back(record);
            }
            m_order.push_back(position);
            return position;
        },
        added);
    if (!added) return 1;
    Record& record = m_records[at];
    // No login id is empty; indexing one would let an empty id from the wire match some buddy.
    if (!record.buddy->Id.empty()) {
        m_byId.Insert(
            record.buddy->Id, [this](uint32_t p) { return m_records[p].id; },
            [&] {
                record.id = Keep(record.buddy->Id, reuse, at, 1);
                return at;
            },
            added);
    }
    return 1;
}

int BuddyRoster::Remove(std::wstring_view key) {
    const auto keyOf = [this](uint32_t p) { return m_records[p].key; };
    const uint32_t at = m_byKey.Find(key, keyOf);
    if (at == TextIndex::kNone) return 0;
    Record& record = m_records[at];
    if (!record.id.empty()) m_byId.Erase(record.id, [this](uint32_t p) { return m_records[p].id; });
    m_byKey.Erase(record.key, keyOf);
    record.buddy->~Buddy();
    record.key = record.id = {};
    m_reused.erase(at);
    m_order.erase(std::find(m_order.begin(), m_order.end(), at));
    m_free.push_back(at);
    ++m_generation;
    return 1;
}

void BuddyRoster::Reserve(size_t count) {
    m_records.reserve(count);
    m_order.reserve(count);
    m_byKey.Reserve(count);
    m_byId.Reserve(count);
}

void BuddyRoster::Clear() {
    DestroyBuddies();
    m_records.clear();
    m_order.clear();
    m_free.clear();
    m_reused.clear();
    RequestKeys.clear();
    m_sorted = true;
    m_byKey.Clear();
    m_byId.Clear();
    m_buddies.Reset();
    m_texts.Reset();
    ++m_generation;
}

void BuddyRoster::ClearChecks() {
    for (const uint32_t position : m_order) m_records[position].buddy->Ticked = 0;
}

void BuddyRoster::DestroyBuddies() {
    // Their arena keeps their memory; their own texts are freed here. Removed ones are gone already.
    for (const uint32_t position : m_order) m_records[position].buddy->~Buddy();
}

std::wstring_view BuddyRoster::Keep(std::wstring_view text, bool reused, uint32_t position, size_t slot) {
    if (text.empty()) return {};
    if (reused) {
        std::wstring& kept = m_reused[position][slot];
        kept = text;
        return kept;
    }
    auto* copy = static_cast<wchar_t*>(m_texts.Allocate(text.size() * sizeof(wchar_t), alignof(wchar_t)));
    std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
    return {copy, text.size()};
}

void BuddyRoster::SortOrder() {
    if (m_sorted) return;
    std::sort(m_order.begin(), m_order.end(),
              [this](uint32_t a, uint32_t b) { return m_records[a].key < m_records[b].key; });
    m_sorted = true;
}
