#include "messenger/model/MemoStore.h"

#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/TokenSets.h"

namespace {

int Digits(const std::wstring& text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + static_cast<int>(text[i] - L'0');
    return value;
}

// Fourteen digits naming a possible time; anything else would give a date made of whatever
// leading digits happened to stand in each place.
bool IsWireDate(const std::wstring& text) {
    if (text.size() != 14) return false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
    }
    int month = Digits(text, 4, 2);
    int day = Digits(text, 6, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && Digits(text, 8, 2) <= 23 &&
           Digits(text, 10, 2) <= 59 && Digits(text, 12, 2) <= 59;
}

}  // namespace

std::wstring MemoRecord::FirstLine() const {
    size_t end = Summary.find_first_of(L"\r\n");
    return end == std::wstring::npos ? Summary : Summary.substr(0, end);
}

int MemoRecord::ParseListRow(TokenReader& reader) {
    if (!reader.SkipSeparators()) return 0;

    std::wstring date;
    std::wstring readFlag;
    std::wstring flag6;
    reader.ReadToken(Field1);
    reader.ReadToken(Sender);
    reader.ReadToken(Summary);
    reader.ReadToken(date);
    reader.ReadToken(readFlag);
    reader.ReadToken(flag6);
    reader.ReadToken(Cookie);
    Date = QeDateTime();
    if (IsWireDate(date)) ParseDateTime(Date, date, L"yyyyMMddhhmmss");
    Read = ParseBool01(readFlag) ? 1 : 0;
    Flag6 = ParseBool01(flag6) ? 1 : 0;
    return 1;
}

MemoRecord* MemoStore::AddFront() {
    m_records.push_front(std::make_unique<MemoRecord>());
    m_records.front()->m_serial.value = ++m_lastSerial;
    ++m_pushed;
    return m_records.front().get();
}

MemoRecord* MemoStore::AddBack() {
    m_records.push_back(std::make_unique<MemoRecord>());
    m_records.back()->m_serial.value = ++m_lastSerial;
    return m_records.back().get();
}

uint32_t MemoStore::WireBoxType() const {
    if (CurrentBox == kMemoInbox) return 0;
    if (CurrentBox == kMemoSentBox) return 1;
    return 3;
}

void MemoStore::DeleteAllAndClear() {
    m_records.clear();
    m_pushed = 0;
    ++m_generation;
}

int MemoStore::RemoveAt(size_t index) {
    if (index >= m_records.size()) return 0;
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    if (index < m_pushed) --m_pushed;
    ++m_generation;
    return 1;
}

int MemoStore::RemoveRecord(MemoRecord* record) {
    const int index = IndexOf(record);
    return index < 0 ? 0 : RemoveAt(static_cast<size_t>(index));
}

int MemoStore::IndexOf(const MemoRecord* record) const {
    if (record == nullptr) return -1;
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].get() == record) return static_cast<int>(i);
    }
    return -1;
}

MemoRecord* MemoStore::Find(uint64_t serial) const {
    if (serial == 0) return nullptr;
    for (const auto& record : m_records) {
        if (record->m_serial.value == serial) return record.get();
    }
    return nullptr;
}
