// The two ways the framework shares expensive drawing objects.
//
// QeResourcePool (fonts, images): reference-counted items keyed by their description and addressed
// by small integer handles. Rules callers rely on:
//   - loading a key that is present gives its handle again and adds one reference; every Load that
//     answered a handle needs its own Unload;
//   - a handle is the item's slot index and is never given to another item, even after its item
//     is gone: loading the same key after the last Unload answers a new, higher handle;
//   - a misused handle (negative, never given, already unloaded) is traced and otherwise ignored.
//
// QeResourcePoolGrowable (window surfaces): items keyed by size that are handed out frame after
// frame. Rules callers rely on:
//   - the in-use list holds this frame's items in the order they were acquired (the paint path
//     composes them in that order, so a later one lies on top); FlushPending puts them back on
//     the free list in that same order, and an acquisition takes the preferred item when it is
//     free, else the oldest free one of the size: the same calls give the same items every run;
//   - a pinned item (held by a running transition) is never handed out, and UnloadAll (a root
//     resize) spares it: it moves to the free list and lives until DestroyAll (graphics stop).
//     Pins are counted: an item pinned by two holders stays pinned until both have unpinned it;
//   - every UnloadAll and DestroyAll moves the generation on. A window that keeps an item between
//     frames keeps the generation with it, and drops the item unseen when the generation moved:
//     the item may be gone.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <typeinfo>
#include <vector>

#include "framework/base/QeResourceItem.h"
#include "framework/base/QeSingleton.h"
#include "framework/base/QeTrace.h"

template <class Key, class Value>
class QeResourcePool {
public:
    QeResourcePool() = default;
    // Values free what they own in their destructors; Release runs only through Unload and
    // UnloadAll, which owners call while the derived pool still exists.
    virtual ~QeResourcePool() = default;
    QeResourcePool(const QeResourcePool&) = delete;
    QeResourcePool& operator=(const QeResourcePool&) = delete;

    // The key's handle, loading the value when the key is new; -1 when that fails.
    int32_t Load(const Key& key) {
        if (auto found = m_handles.find(key); found != m_handles.end()) {
            m_items[static_cast<size_t>(found->second)]->AddRef();
            return found->second;
        }
        if (m_items.size() >= static_cast<size_t>(INT32_MAX)) return -1;
        const auto handle = static_cast<int32_t>(m_items.size());
        auto item = std::make_unique<Item>();
        item->key = key;
        item->AddRef();
        if (!Load(item->key, item->value)) return -1;
        m_items.push_back(std::move(item));
        m_handles.emplace(key, handle);
        return handle;
    }

    void Unload(int32_t handle) {
        Item* item = ItemAt(handle);
        if (item == nullptr) {
            TraceMisuse(L"Unload", L"Invalid handle has been tried to unload");
            return;
        }
        if (item->DropRef() > 0) return;
        m_handles.erase(item->key);
        Release(item->value);
        m_items[static_cast<size_t>(handle)].reset();
    }

    // The value, or null (traced) for an invalid handle.
    Value* Find(int32_t handle) {
        Item* item = ItemAt(handle);
        if (item == nullptr) {
            TraceMisuse(L"Find", L"Invalid handle has been tried to find");
            return nullptr;
        }
        return &item->value;
    }

    // Frees every item still present, whatever its count; handles given so far stay unused.
    void UnloadAll() {
        // Slots are never reused, so the next handle still follows the ones given out.
        for (auto& item : m_items) {
            if (!item) continue;
            Release(item->value);
            item.reset();
        }
        m_handles.clear();
    }

    // Items present now (loaded and not yet unloaded to zero).
    size_t Size() const { return m_handles.size(); }

    // Different for every pool made during the run: a holder that outlives its pool (a pool
    // stopped and started again) can tell its handle belongs to no pool that exists now.
    uint64_t Serial() const { return m_serial; }

protected:
    // Builds the value from the key. A derived pool that overrides it writes
    // `using QeResourcePool::Load;` so that the public Load stays visible.
    virtual bool Load(const Key& key, Value& value) = 0;
    // Frees what Load made.
    virtual void Release(Value& value) = 0;

private:
    struct Item : QeResourceItem {
        Key key{};
        Value value{};
    };

    Item* ItemAt(int32_t handle) const {
        if (handle < 0 || static_cast<size_t>(handle) >= m_items.size()) return nullptr;
        return m_items[static_cast<size_t>(handle)].get();
    }

    void TraceMisuse(const wchar_t* operation, const wchar_t* why) const {
        QeTrace(L"[QE+] QeResourcePool< %s, %s >::%ls, %ls.\n", QeTypeName(typeid(Key)).c_str(),
                QeTypeName(typeid(Value)).c_str(), operation, why);
    }

    static uint64_t NextSerial() {
        static uint64_t s_next = 0;
        return ++s_next;
    }

    std::vector<std::unique_ptr<Item>> m_items;  // the handle is the index; empty slots stay
    std::map<Key, int32_t> m_handles;
    uint64_t m_serial = NextSerial();
};

template <class Key, class Value>
class QeResourcePoolGrowable {
public:
    struct InUse {
        Key key;
        Value* value;
    };

    QeResourcePoolGrowable() = default;
    virtual ~QeResourcePoolGrowable() = default;
    QeResourcePoolGrowable(const QeResourcePoolGrowable&) = delete;
    QeResourcePoolGrowable& operator=(const QeResourcePoolGrowable&) = delete;

    // A free item of the key that is not pinned (the preferred one when it is among them), else a
    // new one; it goes to the end of the in-use list. Null when a new one cannot be loaded.
    Value* Acquire(const Key& key, const Value* preferred) {
        auto [first, last] = m_free.equal_range(key);
        auto chosen = last;
        for (auto it = first; it != last; ++it) {
            if (IsPinned(it->second.get())) continue;
            if (it->second.get() == preferred) {
                chosen = it;
                break;
            }
            if (chosen == last) chosen = it;
        }
        if (chosen == last) {
            auto value = std::make_unique<Value>();
            if (!Load(key, *value)) return nullptr;
            chosen = m_free.emplace(key, std::move(value));
        }
        // The free list's node goes along, to come back at the next flush: a frame allocates nothing.
        m_inUse.push_back(Record{m_free.extract(chosen)});
        return m_inUse.back().Get();
    }

    // Gives an item handed out this frame back to the free list; one not in use is traced.
    bool Unload(const Value* item) {
        for (auto it = m_inUse.begin(); it != m_inUse.end(); ++it) {
            if (it->Get() != item) continue;
            m_free.insert(std::move(it->node));
            m_inUse.erase(it);
            return true;
        }
        QeTrace(L"[QE+] QeResourcePoolGrowable< %s, %s >::Unload, Invalid item has been tried to unload.\n",
                QeTypeName(typeid(Key)).c_str(), QeTypeName(typeid(Value)).c_str());
        return false;
    }

    // Every item in use goes back to the free list, in acquisition order (start of a frame).
    void FlushPending() {
        for (auto& record : m_inUse) m_free.insert(std::move(record.node));
        m_inUse.clear();
    }

    // Frees every item that is not pinned, in use or free; pinned ones wait on the free list.
    void UnloadAll() {
        FlushPending();
        for (auto it = m_free.begin(); it != m_free.end();) {
            if (IsPinned(it->second.get())) {
                ++it;
                continue;
            }
            Release(*it->second);
            it = m_free.erase(it);
        }
        ++m_generation;
    }

    // Frees everything, pinned items included (graphics stop).
    void DestroyAll() {
        FlushPending();
        for (auto& [key, value] : m_free) Release(*value);
        m_free.clear();
        m_pinned.clear();
        ++m_generation;
    }

    // Only items of this pool can be pinned; false for any other pointer. Each Pin needs its Unpin.
    bool Pin(const Value* item) {
        if (!Owns(item)) return false;
        ++m_pinned[item];
        return true;
    }
    void Unpin(const Value* item) {
        auto found = m_pinned.find(item);
        if (found != m_pinned.end() && --found->second == 0) m_pinned.erase(found);
    }
    bool IsPinned(const Value* item) const { return m_pinned.count(item) != 0; }
    // Handed out this frame (and not given back).
    bool IsInUse(const Value* item) const {
        for (const auto& record : m_inUse) {
            if (record.Get() == item) return true;
        }
        return false;
    }

    // Moves on at every UnloadAll and DestroyAll.
    uint32_t Generation() const { return m_generation; }

    // This frame's items in acquisition order.
    std::vector<InUse> InUseList() const {
        std::vector<InUse> out;
        out.reserve(m_inUse.size());
        for (const auto& record : m_inUse) out.push_back(InUse{record.node.key(), record.Get()});
        return out;
    }
    size_t InUseCount() const { return m_inUse.size(); }
    size_t FreeCount() const { return m_free.size(); }

protected:
    virtual bool Load(const Key& key, Value& value) = 0;
    virtual void Release(Value& value) = 0;

private:
    using FreeList = std::multimap<Key, std::unique_ptr<Value>>;
    struct Record {
        typename FreeList::node_type node;
        Value* Get() const { return node.mapped().get(); }
    };

    bool Owns(const Value* item) const {
        if (IsInUse(item)) return true;
        for (const auto& [key, value] : m_free) {
            if (value.get() == item) return true;
        }
        return false;
    }

    // Equal keys keep their insertion order, which makes "the first free one" well defined.
    FreeList m_free;
    std::vector<Record> m_inUse;
    std::map<const Value*, uint32_t> m_pinned;  // item -> holders
    uint32_t m_generation = 0;
};
