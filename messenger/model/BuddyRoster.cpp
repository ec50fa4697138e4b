#include "messenger/model/BuddyRoster.h"

#include <algorithm>
#include <cstring>
#include <new>

BuddyRoster::~BuddyRoster() { DestroyBuddies(); }

Buddy* BuddyRoster::FindEntry(std::wstring_view key) { return m_byKey.Find(key); }

Buddy* BuddyRoster::Find(std::wstring_view id) { return m_byId.Find(id); }

int BuddyRoster::AddOrUpdate(std::wstring_view key, const Buddy& buddy) {
    if (m_byKey.Find(key) != nullptr) return 1;
    return AddOrUpdate(key, Buddy(buddy));
}

int BuddyRoster::AddOrUpdate(std::wstring_view key, Buddy&& buddy) {
    bool added = false;
    m_byKey.Insert(
        key,
        [&] {
            // The key is copied before the buddy moves: it may be one of the buddy's own texts.
            const std::wstring_view kept = Keep(key);
            Buddy* stored = new (m_arena.allocate(sizeof(Buddy), alignof(Buddy))) Buddy(std::move(buddy));
            if (m_sorted && !m_order.empty() && !(m_order.back().key < kept)) m_sorted = false;
            m_order.push_back({kept, stored});
            return m_order.back();
        },
        added);
    if (!added) return 1;
    Buddy* stored = m_order.back().value;
    // No login id is empty; indexing one would let an empty id from the wire match some buddy.
    if (!stored->Id.empty()) {
        m_byId.Insert(stored->Id, [&] { return Entry{Keep(stored->Id), stored}; }, added);
    }
    return 1;
}

void BuddyRoster::Reserve(size_t count) {
    m_byKey.Reserve(count);
    m_byId.Reserve(count);
    m_order.reserve(count);
}

void BuddyRoster::Clear() {
    m_byKey.Clear();
    m_byId.Clear();
    DestroyBuddies();
    std::vector<Entry>().swap(m_order);
    m_sorted = true;
    m_arena.release();
    ++m_generation;
}

void BuddyRoster::ClearChecks() {
    for (const Entry& entry : m_order) entry.value->Ticked = 0;
}

void BuddyRoster::DestroyBuddies() {
    // The arena frees their memory; their own texts are freed here.
    for (const Entry& entry : m_order) entry.value->~Buddy();
}

std::wstring_view BuddyRoster::Keep(std::wstring_view text) {
    if (text.empty()) return {};
    auto* copy = static_cast<wchar_t*>(m_arena.allocate(text.size() * sizeof(wchar_t), alignof(wchar_t)));
    std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
    return {copy, text.size()};
}

void BuddyRoster::SortOrder() {
    if (m_sorted) return;
    std::sort(m_order.begin(), m_order.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    m_sorted = true;
}
