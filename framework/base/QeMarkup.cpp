#include "framework/base/QeMarkup.h"

#include <cstdint>
#include <cwctype>

#include "framework/base/QePathTable.h"
#include "framework/base/QeStrings.h"
#include "platform/system/crt.h"
#include "platform/system/text.h"

QeMarkupElement* QeMarkupElement::FindChild(std::wstring_view name) const {
    for (const auto& child : m_children) {
        if (child->m_name == name) return child.get();
    }
    return nullptr;
}

QeMarkupElement* QeMarkupElement::FindChild2(std::wstring_view name1, std::wstring_view name2) const {
    const QeMarkupElement* step = FindChild(name1);
    return step != nullptr ? step->FindChild(name2) : nullptr;
}

QeMarkupElement* QeMarkupElement::FindChild3(std::wstring_view name1, std::wstring_view name2,
                                             std::wstring_view name3) const {
    const QeMarkupElement* step = FindChild2(name1, name2);
    return step != nullptr ? step->FindChild(name3) : nullptr;
}

QeMarkupElement* QeMarkupElement::FindChild4(std::wstring_view name1, std::wstring_view name2,
                                             std::wstring_view name3, std::wstring_view name4) const {
    const QeMarkupElement* step = FindChild3(name1, name2, name3);
    return step != nullptr ? step->FindChild(name4) : nullptr;
}

QeMarkupElement* QeMarkupElement::AddChild() {
    m_children.push_back(std::make_unique<QeMarkupElement>());
    return m_children.back().get();
}

void QeMarkupElement::AddAttribute(const std::wstring& name, const std::wstring& value) {
    m_attributes.emplace(name, value);
}

void QeMarkupElement::Clear() {
    m_attributes.clear();
    m_children.clear();
}

namespace {

constexpr wchar_t kCarriageReturn = 13;
constexpr wchar_t kLineFeed = 10;
constexpr wchar_t kReplacement = 0xFFFD;

// Reads up to c and leaves it behind; false at the end of the text.
template <class Reader>
bool SkipCharactersTo(Reader& reader, wchar_t c) {
    wchar_t read;
    while (reader.Next(read)) {
        if (read == c) return true;
    }
    return false;
}

// Reads up to c (consumed, not kept), keeping everything but line breaks; false at the end.
template <class Reader>
bool ReadCharactersUntil(Reader& reader, wchar_t c, std::wstring& out) {
    wchar_t read;
    while (reader.Next(read)) {
        if (read == c) return true;
        if (read != kCarriageReturn && read != kLineFeed) out += read;
    }
    return false;
}

// Characters from a stream of UTF-16LE code units; a surrogate pair is one character, a lone
// surrogate reads as U+FFFD, an odd last byte is dropped.
class CharacterReader {
public:
    explicit CharacterReader(QeStream& stream) : m_stream(stream) {}

    bool Next(wchar_t& c) {
        uint16_t unit;
        if (m_hasPending) {
            unit = m_pending;
            m_hasPending = false;
        } else if (!ReadUnit(unit)) {
            return false;
        }
        if (unit < 0xD800 || unit > 0xDFFF) {
            c = static_cast<wchar_t>(unit);
            return true;
        }
        if (unit >= 0xDC00) {
            c = kReplacement;
            return true;
        }
        uint16_t low;
        if (!ReadUnit(low)) {
            c = kReplacement;
            return true;
        }
        if (low < 0xDC00 || low > 0xDFFF) {
            // The unit after a lone high surrogate is a character of its own, perhaps a "<".
            m_pending = low;
            m_hasPending = true;
            c = kReplacement;
            return true;
        }
        c = static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        return true;
    }

    bool SkipTo(wchar_t c) { return SkipCharactersTo(*this, c); }
    bool ReadUntil(wchar_t c, std::wstring& out) { return ReadCharactersUntil(*this, c, out); }

private:
    bool ReadUnit(uint16_t& unit) {
        uint8_t bytes[2];
        if (!m_stream.Read(bytes, 2)) return false;
        unit = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
        return true;
    }

    QeStream& m_stream;
    uint16_t m_pending = 0;
    bool m_hasPending = false;
};

// The characters of a whole text read already, as its UTF-16LE code units would read: a value that
// is no Unicode scalar value reads as U+FFFD.
class TextReader {
public:
    explicit TextReader(const std::wstring& text) : m_at(text.data()), m_end(text.data() + text.size()) {}

    bool Next(wchar_t& c) {
        if (m_at == m_end) return false;
        const auto value = static_cast<uint32_t>(*m_at++);
        c = (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF ? kReplacement : static_cast<wchar_t>(value);
        return true;
    }

    bool SkipTo(wchar_t c) { return SkipCharactersTo(*this, c); }
    bool ReadUntil(wchar_t c, std::wstring& out) { return ReadCharactersUntil(*this, c, out); }

private:
    const wchar_t* m_at;
    const wchar_t* m_end;
};

std::wstring WithoutQuotes(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c != L'"') out += c;
    }
    return out;
}

void SplitTag(QeMarkupElement& element, const std::wstring& tag) {
    const size_t blank = tag.find_first_of(L" \t");
    if (blank == std::wstring::npos) {
        element.SetName(tag);
        return;
    }
    element.SetName(tag.substr(0, blank));
    const std::wstring rest = tag.substr(blank + 1);
    size_t position = 0;
    while (true) {
        // The "=" may not be the first character of what is left.
        const size_t equals = rest.find(L'=', position + 1);
        if (equals == std::wstring::npos) break;
        const std::wstring name = QeStrings::Trim(rest.substr(position, equals - position));
        std::wstring value;
        bool more;
        if (equals + 1 < rest.size() && rest[equals + 1] == L'"') {
            const size_t close = rest.find(L'"', equals + 2);
            more = close != std::wstring::npos;
            value = more ? rest.substr(equals + 2, close - (equals + 2)) : rest.substr(equals + 2);
            position = more ? close + 1 : rest.size();
        } else {
            const size_t separator = rest.find_first_of(L" \t", equals + 1);
            more = separator != std::wstring::npos;
            value = more ? rest.substr(equals + 1, separator - (equals + 1)) : rest.substr(equals + 1);
            position = more ? separator + 1 : rest.size();
        }
        element.AddAttribute(name, WithoutQuotes(QeStrings::Trim(value)));
        if (!more) break;
    }
}

// Fills the element from its tag and, for an element with content, from what follows up to any
// end tag. depth is 1 for a top-level element.
template <class Reader>
bool ParseElement(Reader& reader, QeMarkupElement& element, const std::wstring& tag, int depth) {
    if (!tag.empty() && (tag[0] == L'?' || tag[0] == L'!')) return true;
    if (!tag.empty() && tag.back() == L'/') {
        SplitTag(element, tag.substr(0, tag.size() - 1));
        return true;
    }
    SplitTag(element, tag);
    while (true) {
        std::wstring piece;
        if (!reader.ReadUntil(L'<', piece)) return false;
        element.AppendText(QeStrings::Trim(piece));
        std::wstring next;
        if (!reader.ReadUntil(L'>', next)) return false;
        // End tags are not matched against the open element: any one closes it.
        if (!next.empty() && next[0] == L'/') return true;
        // Refused before it is added: a failed parse keeps what was read, and that must stay
        // within the cap too.
        if (depth >= QeMarkupDocument::kMaxDepth) return false;
        if (!ParseElement(reader, *element.AddChild(), next, depth + 1)) return false;
    }
}

template <class Reader>
bool ParseDocument(QeMarkupDocument& document, Reader reader) {
    while (true) {
        std::wstring tag;
        // Text before a tag is ignored here; a missing "<" or ">" ends the document like "<>".
        if (!reader.SkipTo(L'<') || !reader.ReadUntil(L'>', tag) || tag.empty()) return true;
        if (!ParseElement(reader, *document.AddChild(), tag, 1)) return false;
    }
}

}  // namespace

bool QeMarkupDocument::Parse(QeStream& stream) { return ParseDocument(*this, CharacterReader(stream)); }

bool QeMarkupDocument::Load(const std::wstring& path) {
    std::wstring resolved = path;
    if (const QePathTable* table = QePathTable::Instance()) table->Resolve(resolved, 2, path);
    return LoadFile(resolved);
}

bool QeMarkupDocument::LoadFile(const std::wstring& resolved) {
    const std::wstring text = ReadTextFile(resolved);
    if (text.empty()) return false;
    return ParseDocument(*this, TextReader(text));
}

namespace {

// The conversions of swscanf that the value forms use, over one text.
class Scanner {
public:
    explicit Scanner(const std::wstring& text) : m_p(text.c_str()) {}

    // "%d": a decimal number after optional white space; saturates at the 32-bit limits.
    bool Decimal(int32_t& out) {
        SkipSpaces();
        const wchar_t* start = m_p;
        if (*m_p == L'+' || *m_p == L'-') ++m_p;
        if (*m_p < L'0' || *m_p > L'9') {
            m_p = start;
            return false;
        }
        const wchar_t* end = m_p;
        while (*end >= L'0' && *end <= L'9') ++end;
        out = _wtol(std::wstring(start, end).c_str());
        m_p = end;
        return true;
    }

    // "%2x": at most two characters, an optional sign and hexadecimal digits, after optional white
    // space. A negative number wraps as an unsigned one.
    bool Hex2(uint32_t& out) {
        SkipSpaces();
        int width = 2;
        bool negative = false;
        const wchar_t* start = m_p;
        if (*m_p == L'+' || *m_p == L'-') {
            negative = *m_p == L'-';
            ++m_p;
            --width;
        }
        uint32_t value = 0;
        int digits = 0;
        for (; width > 0; --width, ++m_p, ++digits) {
            const int digit = HexDigitValue(*m_p);
            if (digit < 0) break;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        if (digits == 0) {
            m_p = start;
            return false;
        }
        out = negative ? 0u - value : value;
        return true;
    }

    bool Literal(wchar_t c) {
        if (*m_p != c) return false;
        ++m_p;
        return true;
    }

    void SkipSpaces() {
        while (*m_p != L'\0' && std::iswspace(static_cast<wint_t>(*m_p))) ++m_p;
    }

private:
    const wchar_t* m_p;
};

// "%d, %d, ...": as many numbers as asked for, the later ones 0 once one does not match.
void ScanList(const std::wstring& text, int32_t* values, int count) {
    Scanner scanner(text);
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (!scanner.Literal(L',')) return;
            scanner.SkipSpaces();
        }
        if (!scanner.Decimal(values[i])) return;
    }
}

int32_t Clamp(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

const std::wstring& TextOf(const QeMarkupElement* element) {
    static const std::wstring empty;
    return element != nullptr ? element->Text() : empty;
}

}  // namespace

COLORREF ParseColor(const std::wstring& text) {
    uint32_t rgb[3] = {0, 0, 0};
    Scanner scanner(text);
    if (scanner.Literal(L'#')) {
        for (uint32_t& component : rgb) {
            if (!scanner.Hex2(component)) break;
        }
    }
    return (rgb[0] & 0xFF) | (rgb[1] & 0xFF) << 8 | (rgb[2] & 0xFF) << 16;
}

SIZE ParseSize(const std::wstring& text) {
    int32_t values[2] = {0, 0};
    ScanList(text, values, 2);
    return SIZE{values[0], values[1]};
}

RECT ParseRect(const std::wstring& text) {
    int32_t values[4] = {0, 0, 0, 0};
    ScanList(text, values, 4);
    // Sums beyond 32 bits stop at the limit rather than wrap.
    return RECT{values[0], values[1], Clamp(int64_t{values[0]} + values[2]), Clamp(int64_t{values[1]} + values[3])};
}

int32_t ParseInt(const std::wstring& text) { return _wtol(text.c_str()); }

bool ParseBool(const std::wstring& text) { return text == L"True"; }

COLORREF ParseColor(const QeMarkupElement* element) { return ParseColor(TextOf(element)); }
SIZE ParseSize(const QeMarkupElement* element) { return ParseSize(TextOf(element)); }
RECT ParseRect(const QeMarkupElement* element) { return ParseRect(TextOf(element)); }
int32_t ParseInt(const QeMarkupElement* element) { return ParseInt(TextOf(element)); }
bool ParseBool(const QeMarkupElement* element) { return ParseBool(TextOf(element)); }
