// Finds entries by a text, for an index that mostly grows until it is emptied at once (the buddy
// roster's two indexes); a single entry can leave too. The owner keeps its entries in a list and the index holds their positions:
// open addressing over slots of eight bytes, so the slots of thousands of entries stay in the cache
// and a look-up reads a slot or two and then the one entry whose hash matches, where a node-based
// map walks a chain of scattered nodes. keyOf(position) gives an entry's text, which must stay
// unchanged while the index holds the position.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class TextIndex {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The position stored under the text, or kNone.
    template <class KeyOf>
    uint32_t Find(std::wstring_view key, KeyOf keyOf) const {
        if (m_slots.empty()) return kNone;
        const Slot& slot = m_slots[Probe(key, Hash(key), keyOf)];
        return slot.position;
    }

    // Stores the position that make() returns unless the text is there already; make runs only then
    // (so the owner adds an entry, and copies its text, only when it is new) and its entry's text
    // must equal key. Returns the position stored under the text, the old one or the new one, and
    // says in added which it was.
    template <class KeyOf, class Make>
    uint32_t Insert(std::wstring_view key, KeyOf keyOf, Make make, bool& added) {
        Reserve(m_count + 1);
        const uint32_t hash = Hash(key);
        Slot& slot = m_slots[Probe(key, hash, keyOf)];
        added = slot.position == kNone;
        if (added) {
            slot.position = make();
            slot.hash = hash;
            ++m_count;
        }
        return slot.position;
    }

    // Forgets the text's entry; false when there is none. The entries after it in its probe run
    // move back into the hole, so that every look-up still meets its entry before an empty slot.
    template <class KeyOf>
    bool Erase(std::wstring_view key, KeyOf keyOf) {
        if (m_slots.empty()) return false;
        const size_t mask = m_slots.size() - 1;
        size_t hole = Probe(key, Hash(key), keyOf);
        if (m_slots[hole].position == kNone) return false;
        for (size_t i = (hole + 1) & mask; m_slots[i].position != kNone; i = (i + 1) & mask) {
            const size_t home = m_slots[i].hash & mask;
            // An entry whose home lies cyclically in (hole, i] is found before the hole anyway.
            const bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
            if (!stays) {
                m_slots[hole] = m_slots[i];
                hole = i;
            }
        }
        m_slots[hole] = Slot{};
        --m_count;
        return true;
    }

    // Room for count entries without growing.
    void Reserve(size_t count) {
        if (count * 4 > m_slots.size() * 3) Rebuild(SlotsFor(count));
    }

    // Empties the index and keeps its slots for the next fill.
    void Clear() {
        std::fill(m_slots.begin(), m_slots.end(), Slot{});
        m_count = 0;
    }

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t position = kNone;  // kNone: empty
    };

    static uint32_t Hash(std::wstring_view key) {
        return static_cast<uint32_t>(std::hash<std::wstring_view>{}(key));
    }

    // Slots for count entries at most three quarters full: a power of two, so the probe masks.
    static size_t SlotsFor(size_t count) {
        size_t slots = 16;
        while (count * 4 > slots * 3) slots *= 2;
        return slots;
    }

    // The slot that holds the text, or the empty one where it belongs.
    template <class KeyOf>
    size_t Probe(std::wstring_view key, uint32_t hash, KeyOf& keyOf) const {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.position == kNone || (slot.hash == hash && keyOf(slot.position) == key)) return i;
        }
    }

    void Rebuild(size_t slotCount) {
        std::vector<Slot> old(slotCount);
        old.swap(m_slots);
        const size_t mask = slotCount - 1;
        for (const Slot& slot : old) {
            if (slot.position == kNone) continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].position != kNone) i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
