// Everything the client knows about its buddies between sign-in and log-out.
//
// A buddy has two identifiers that are never mixed: the login id (`Id`: chats, invitations,
// presence, nickname and profile notices; `BuddyRoster::Find`) and the member key that the service
// assigns (`Key`: group membership, moves, removal, buddy-request results; `BuddyRoster::FindEntry`).
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "messenger/model/BumpArena.h"
#include "messenger/model/TextIndex.h"

// Presence codes: 0 online, 1 away, 2 in a meeting, 3 on the phone, 4 other business,
// 5 appear offline, 6 offline, 7 not yet known.
inline constexpr uint32_t kPresenceOffline = 6;
inline constexpr uint32_t kPresenceUnknown = 7;

// List flags of a buddy.
inline constexpr uint32_t kListForward = 1;  // FL: the buddy is in my list
inline constexpr uint32_t kListAllow = 2;    // AL
inline constexpr uint32_t kListBlock = 4;    // BL
inline constexpr uint32_t kListReverse = 8;  // RL: the buddy has me in theirs

class Buddy {
public:
    std::wstring Id;
    uint8_t Flag2 = 0;
    std::wstring Key;
    std::wstring Extra;
    uint32_t ListFlags = 0;
    uint32_t Status = kPresenceUnknown;
    std::wstring Name;
    std::wstring Nickname;
    std::wstring Profile6;  // birthday, "yyyyMMdd"
    uint8_t Flag10 = 0;     // 1 solar, 0 lunar calendar
    std::wstring Profile1;  // mobile phone number
    std::wstring Profile3;
    std::wstring Profile4;
    std::wstring Profile2;
    uint8_t ProfileFlag5 = 0;
    uint8_t Ticked = 0;  // tick of the buddy select screen; not protocol data
};

class BuddyRoster : public QeSingleton<BuddyRoster> {
public:
    BuddyRoster() = default;
    ~BuddyRoster() override;
    BuddyRoster(const BuddyRoster&) = delete;
    BuddyRoster& operator=(const BuddyRoster&) = delete;

    // By member key, or null.
    Buddy* FindEntry(std::wstring_view key);
    // By login id, or null.
    Buddy* Find(std::wstring_view id);

    // Stores the buddy under the key and indexes it by its login id. An insert never replaces: a
    // key already present leaves the stored buddy and the id index as they are, and an id already
    // indexed keeps pointing at the buddy that had it first. Returns 1 either way; callers that
    // mean to change a buddy look it up and change it in place.
    int AddOrUpdate(std::wstring_view key, const Buddy& buddy);
    int AddOrUpdate(std::wstring_view key, Buddy&& buddy);
    // Deletes the buddy stored under the key and forgets it in both indexes; 0 when there is none.
    // Pointers to it are invalid afterwards: callers remove only buddies no screen holds.
    int Remove(std::wstring_view key);
    // Room for this many buddies in all, before a bulk load.
    void Reserve(size_t count);

    // Empties both indexes (log-out). Pointers to buddies are invalid afterwards.
    void Clear();
    // Unticks every buddy.
    void ClearChecks();

    size_t Count() const { return m_order.size(); }
    // Visits every buddy in member-key order (wide-string order of the key it was stored under).
    // Buddies are changed through FindEntry, Find or ForEach; Clear and Remove take them out of the
    // indexes as they delete them. A buddy added during the walk may be missed.
    template <class Visit>
    void ForEach(Visit visit) {
        SortOrder();
        for (size_t i = 0; i < m_order.size(); ++i) visit(*m_records[m_order[i]].buddy);
    }

    // Goes up whenever pointers handed out earlier may have become invalid (Clear). A screen that
    // keeps a Buddy* remembers the generation it took it in and drops the pointer when it differs.
    uint32_t Generation() const { return m_generation; }

    // The keys of the entries that a buddy request added, oldest first, for the request handling to
    // keep them bounded; a key leaves once its entry becomes a buddy. Emptied by Clear.
    std::deque<std::wstring> RequestKeys;

private:
    // One stored buddy, with the key it was stored under and the id it is indexed by (empty when
    // another buddy had the id first): copies that stay as they were while the buddy's own Key and
    // Id are the callers' to change.
    struct Record {
        std::wstring_view key;
        std::wstring_view id;
        Buddy* buddy = nullptr;
    };

    // The text copied: into the arena for a record at a new position, into m_reused (slot 0 the
    // key, 1 the id) for one at a position used again, whose arena copies may be too short.
    std::wstring_view Keep(std::wstring_view text, bool reused, uint32_t position, size_t slot);
    void SortOrder();
    void DestroyBuddies();

    // The buddies, and apart from them the texts of both indexes, live in arenas, packed in the order
    // they came: a list of thousands of buddies costs no allocation per buddy beyond its own texts,
    // look-ups read texts that lie close together, and Clear takes it all back at once, keeping the
    // memory for the next sign-in as the indexes keep theirs. Nothing erases single entries, so
    // nothing in the arenas is freed alone.
    BumpArena m_buddies;
    BumpArena m_texts;
    // In the order the buddies came; the indexes hold positions in it.
    std::vector<Record> m_records;
    TextIndex m_byKey;
    TextIndex m_byId;
    // Positions of every record, in key order after a walk sorted them; m_sorted says whether they
    // still are (a buddy added later with a smaller key unsorts them).
    std::vector<uint32_t> m_order;
    bool m_sorted = true;
    // Positions of removed records, whose buddy memory is used again by the next buddy added, and
    // the texts of records at such positions.
    std::vector<uint32_t> m_free;
    std::map<uint32_t, std::array<std::wstring, 2>> m_reused;
    uint32_t m_generation = 0;
};
