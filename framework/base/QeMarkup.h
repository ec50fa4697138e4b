// The skin markup: a small XML-like tree of named elements with attributes and text, and the
// parsers for the values written in element texts.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/base/QeStream.h"
#include "platform/win_types.h"

class QeMarkupElement {
public:
    QeMarkupElement() = default;
    virtual ~QeMarkupElement() = default;
    QeMarkupElement(const QeMarkupElement&) = delete;
    QeMarkupElement& operator=(const QeMarkupElement&) = delete;
    // A tree read elsewhere (on another thread) moves in whole: children hold no link upwards.
    QeMarkupElement(QeMarkupElement&&) = default;
    QeMarkupElement& operator=(QeMarkupElement&&) = default;

    // Empty for declarations, comments and the document itself.
    const std::wstring& Name() const { return m_name; }
    void SetName(const std::wstring& name) { m_name = name; }
    // The trimmed pieces of character content, joined with nothing between them.
    const std::wstring& Text() const { return m_text; }
    void SetText(const std::wstring& text) { m_text = text; }
    void AppendText(const std::wstring& text) { m_text += text; }
    const std::map<std::wstring, std::wstring>& Attributes() const { return m_attributes; }
    const std::vector<std::unique_ptr<QeMarkupElement>>& Children() const { return m_children; }

    // The first child of that exact name, or null; the others follow a path of names. A name
    // written in the code is looked up without a string made of it.
    QeMarkupElement* FindChild(std::wstring_view name) const;
    QeMarkupElement* FindChild2(std::wstring_view name1, std::wstring_view name2) const;
    QeMarkupElement* FindChild3(std::wstring_view name1, std::wstring_view name2, std::wstring_view name3) const;
    QeMarkupElement* FindChild4(std::wstring_view name1, std::wstring_view name2, std::wstring_view name3,
                                std::wstring_view name4) const;

    // A new empty element at the end of the children.
    QeMarkupElement* AddChild();
    // The first value given for a name stays.
    void AddAttribute(const std::wstring& name, const std::wstring& value);
    // Removes every attribute and every child.
    void Clear();

private:
    std::wstring m_name;
    std::map<std::wstring, std::wstring> m_attributes;
    std::vector<std::unique_ptr<QeMarkupElement>> m_children;
    std::wstring m_text;
};

class QeMarkupDocument : public QeMarkupElement {
public:
    // Elements nested deeper than this make the parse fail.
    static constexpr int kMaxDepth = 256;

    // Reads the file (resolved against root 2 of the path table, UTF-8 or UTF-16LE by its
    // byte-order mark, else the ANSI code page) and parses it. False for a missing or empty file and
    // for a failed parse; elements read before a failure stay in the tree.
    bool Load(const std::wstring& path);
    // Load of a path already resolved: it asks nothing of the path table, so any thread may call it.
    bool LoadFile(const std::wstring& resolved);
    // Parses UTF-16LE code units from the stream; the top-level elements become children of the
    // document. False when an element is still open at the end or nesting is too deep.
    bool Parse(QeStream& stream);
};

// Value forms of element texts. Numbers are read as swscanf reads them (white space before a
// number skipped, a blank after a comma matching any run of white space); reading stops at the
// first mismatch and what was not read is 0. A null element reads as an empty text.
// "#rrggbb" in hexadecimal: red in the low byte.
COLORREF ParseColor(const std::wstring& text);
// "w, h": width and height, or x and y.
SIZE ParseSize(const std::wstring& text);
// "x, y, width, height": a rectangle from (x, y) to (x + width, y + height).
RECT ParseRect(const std::wstring& text);
// A decimal number; 0 when the text is not one. Values beyond 32 bits give the nearest limit.
int32_t ParseInt(const std::wstring& text);
// True for exactly "True".
bool ParseBool(const std::wstring& text);

COLORREF ParseColor(const QeMarkupElement* element);
SIZE ParseSize(const QeMarkupElement* element);
RECT ParseRect(const QeMarkupElement* element);
int32_t ParseInt(const QeMarkupElement* element);
bool ParseBool(const QeMarkupElement* element);
