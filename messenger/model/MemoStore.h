// The memos of the box the memo list shows, and where the list stands in that box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "framework/base/QeDateTime.h"
#include "framework/base/QeSingleton.h"

class TokenReader;

class MemoRecord {
public:
    std::wstring Field1;  // first field of a list row; not set for a memo that arrives
    std::wstring Sender;  // login id
    std::wstring Summary;
    QeDateTime Date;
    uint8_t Read = 0;
    uint8_t Flag6 = 0;
    std::wstring Cookie;  // names the memo in memo-box requests and in a reply or forward

    // Summary up to its first CR or LF.
    std::wstring FirstLine() const;

    // Reads one row of a memo list page: Field1, Sender, Summary, the date as "yyyyMMddhhmmss",
    // the read flag, the sixth flag ("1" gives 1 for both) and Cookie. Separators before the row
    // are skipped; 0 only when nothing else remains (the end of the page). A date that is not
    // fourteen digits of a possible time reads as the zero date and the row is kept.
    int ParseListRow(TokenReader& reader);

    // Set by the store that made the record and never given to another record it makes, so a
    // screen that shows one record can find it again without trusting an address that the next
    // record may reuse (MemoStore::Find). It names the record, not the memo: a copy starts with 0
    // and a record assigned another's fields keeps its own.
    uint64_t Serial() const { return m_serial.value; }

private:
    friend class MemoStore;
    struct OwnSerial {
        OwnSerial() = default;
        OwnSerial(const OwnSerial&) {}
        OwnSerial& operator=(const OwnSerial&) { return *this; }
        uint64_t value = 0;
    };
    OwnSerial m_serial;
};

// Memo boxes.
inline constexpr uint32_t kMemoInbox = 0;
inline constexpr uint32_t kMemoSentBox = 1;
inline constexpr uint32_t kMemoNoBox = 2;

class MemoStore : public QeSingleton<MemoStore> {
public:
    // Memos that arrived (AddFront) stay on the service: beyond this many the oldest of them leaves
    // the store, and the box lists it again the next time it is opened.
    static constexpr size_t kMaxPushed = 1000;

    // A new empty record at the front: a memo that arrived is the newest.
    MemoRecord* AddFront();
    // A new empty record at the back: a row of a list page.
    MemoRecord* AddBack();

    // The box type that memo fetch and delete requests send: 0 inbox, 1 sent box, 3 otherwise.
    uint32_t WireBoxType() const;

    // Deletes every record (switching boxes, log-out).
    void DeleteAllAndClear();
    // Deletes the record at that position (the memo list's row of the same index); 1 when there was
    // one.
    int RemoveAt(size_t index);
    // Deletes that record; 1 when it was in the store.
    int RemoveRecord(MemoRecord* record);

    size_t Count() const { return m_records.size(); }
    // The records that came by AddFront and are still here: the first ones.
    size_t PushedCount() const { return m_pushed; }
    // Null outside the store.
    MemoRecord* RecordAt(size_t index) const { return index < m_records.size() ? m_records[index].get() : nullptr; }
    // Position of that record, or -1.
    int IndexOf(const MemoRecord* record) const;
    // The record of that serial while it is in the store, else null (always for 0).
    MemoRecord* Find(uint64_t serial) const;

    // Goes up whenever records are deleted, whichever they are: a screen that shows one record
    // keeps its serial instead.
    uint32_t Generation() const { return m_generation; }

    uint32_t CurrentBox = kMemoNoBox;
    uint32_t CurrentPage = 0;  // last list page received
    uint32_t PageCount = 0;    // pages of the current box, as the last list reply gave it
    uint8_t HasNewMemo = 0;
    // The transaction id of the last page asked for (0: none yet); a list reply under another id
    // belongs to a box or page the list has moved away from.
    int32_t ListRequestId = 0;

private:
    std::deque<std::unique_ptr<MemoRecord>> m_records;  // front: newest arrival; pages go at the back
    size_t m_pushed = 0;
    uint32_t m_generation = 0;
    uint64_t m_lastSerial = 0;  // never reset: a serial is not given twice
};
