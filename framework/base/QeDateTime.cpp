#include "framework/base/QeDateTime.h"

#include "framework/base/QeStrings.h"
#include "platform/system/crt.h"
#include "platform/system/systime.h"

void QeLocalTime(QeDateTime& out) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    out.year = now.wYear;
    out.month = now.wMonth;
    out.day = now.wDay;
    out.hour = now.wHour;
    out.minute = now.wMinute;
    out.second = now.wSecond;
    out.millisecond = now.wMilliseconds;
}

void FormatDateTime(const QeDateTime& record, std::wstring& out, const std::wstring& pattern) {
    const struct {
        wchar_t letter;
        uint16_t value;
    } fields[] = {{L'y', record.year},   {L'M', record.month},  {L'd', record.day},         {L'h', record.hour},
                  {L'm', record.minute}, {L's', record.second}, {L'z', record.millisecond}};
    out = pattern;
    for (const auto& field : fields) {
        size_t count = 0;
        for (wchar_t c : out) {
            if (c == field.letter) ++count;
        }
        if (count == 0) continue;
        // The last count digits of the value, zero-padded to count digits.
        std::wstring digits(count, L'0');
        unsigned value = field.value;
        for (size_t i = count; i-- > 0 && value != 0; value /= 10) digits[i] = static_cast<wchar_t>(L'0' + value % 10);
        std::wstring replaced;
        QeStrings::ReplaceAll(replaced, out, std::wstring(count, field.letter), digits);
        out = std::move(replaced);
    }
}

namespace {

// The number in the given characters of the text; a piece past the end is empty and reads 0.
uint16_t Piece(const std::wstring& text, size_t start, size_t length) {
    if (start >= text.size()) return 0;
    return static_cast<uint16_t>(_wtol(text.substr(start, length).c_str()));
}

}  // namespace

void ParseDateTime(QeDateTime& out, const std::wstring& text, const std::wstring& pattern) {
    out = QeDateTime();
    const bool date = pattern == L"yyyyMMdd";
    const bool dateAndTime = pattern == L"yyyyMMddhhmmss";
    if (!date && !dateAndTime) return;
    out.year = Piece(text, 0, 4);
    out.month = Piece(text, 4, 2);
    out.day = Piece(text, 6, 2);
    if (dateAndTime) {
        out.hour = Piece(text, 8, 2);
        out.minute = Piece(text, 10, 2);
        out.second = Piece(text, 12, 2);
    }
}
