// Local time as a record of fields, and its conversion to and from text by letter patterns.
#pragma once

#include <cstdint>
#include <string>

struct QeDateTime {
    uint16_t year = 0;
    uint16_t month = 0;   // 1-12
    uint16_t day = 0;     // 1-31
    uint16_t hour = 0;    // 0-23
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t millisecond = 0;

    bool operator==(const QeDateTime&) const = default;
};

// The current local time.
void QeLocalTime(QeDateTime& out);

// Copies the pattern and replaces the runs of y, M, d, h, m, s and z (year, month, day, hour,
// minute, second, millisecond) by the field's last digits, as many as the letter occurs:
// "yyyy-MM-dd hh:mm:ss", "yyyyMMddhhmmss". Hours are 0-23.
void FormatDateTime(const QeDateTime& record, std::wstring& out, const std::wstring& pattern);

// Reads the fields of "yyyyMMdd" and "yyyyMMddhhmmss" texts from their fixed places; a piece that is
// missing or not a number gives 0. Any other pattern gives an all-zero record.
void ParseDateTime(QeDateTime& out, const std::wstring& text, const std::wstring& pattern);
