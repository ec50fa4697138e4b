// Looks objects up by a text, for an index that only grows until it is emptied at once (the buddy
// roster's two indexes). Open addressing over one array: a look-up touches a slot or two and the
// text it compares, where a node-based map walks a chain of scattered nodes. The key texts and the
// objects belong to the owner, which keeps both in place until it clears the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

template <class T>
class TextIndex {
public:
    struct Entry {
        std::wstring_view key;
        T* value = nullptr;
    };

    // The object stored under the text, or null.
    T* Find(std::wstring_view key) const {
        if (m_slots.empty()) return nullptr;
        const Slot& slot = m_slots[Probe(key, Hash(key))];
        return slot.entry.value;
    }

    // Stores make()'s entry, whose key must equal the text, unless the text is already there; make
    // runs only then (so the owner copies a key only when it is new). Returns the object stored under
    // the text, the old one or the new one; false in added when it was the old one.
    template <class Make>
    T* Insert(std::wstring_view key, Make make, bool& added) {
        if ((m_count + 1) * 4 > m_slots.size() * 3) Grow();
        const uint64_t hash = Hash(key);
        Slot& slot = m_slots[Probe(key, hash)];
        added = slot.entry.value == nullptr;
        if (added) {
            slot.entry = make();
            slot.hash = hash;
            ++m_count;
        }
        return slot.entry.value;
    }

    // Room for count entries without growing.
    void Reserve(size_t count) {
        if (count * 4 > m_slots.size() * 3) Rebuild(SlotsFor(count));
    }

    size_t Count() const { return m_count; }
    void Clear() {
        std::vector<Slot>().swap(m_slots);
        m_count = 0;
    }

private:
    struct Slot {
        Entry entry;  // empty while value is null
        uint64_t hash = 0;
    };

    static uint64_t Hash(std::wstring_view key) { return std::hash<std::wstring_view>{}(key); }

    // Slots for count entries at most three quarters full: a power of two, so the probe masks.
    static size_t SlotsFor(size_t count) {
        size_t slots = 16;
        while (count * 4 > slots * 3) slots *= 2;
        return slots;
    }

    // The slot that holds the text, or the empty one where it belongs.
    size_t Probe(std::wstring_view key, uint64_t hash) const {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.entry.value == nullptr || (slot.hash == hash && slot.entry.key == key)) return i;
        }
    }

    void Grow() { Rebuild(SlotsFor(m_count + 1)); }

    void Rebuild(size_t slotCount) {
        std::vector<Slot> old(slotCount);
        old.swap(m_slots);
        const size_t mask = slotCount - 1;
        for (const Slot& slot : old) {
            if (slot.entry.value == nullptr) continue;
            size_t i = static_cast<size_t>(slot.hash) & mask;
            while (m_slots[i].entry.value != nullptr) i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
