// Run-time class records: a class that wants its kind asked returns its record from a virtual
// GetClassInfo(). Records are compared by address; the names are for traces.
#pragma once

#include <concepts>
#include <string>

class QeClassInfo {
public:
    QeClassInfo(const wchar_t* name, const QeClassInfo* base) : m_name(name), m_base(base) {}
    virtual ~QeClassInfo() = default;
    QeClassInfo(const QeClassInfo&) = delete;
    QeClassInfo& operator=(const QeClassInfo&) = delete;

    const std::wstring& Name() const { return m_name; }
    // Null for a root class.
    const QeClassInfo* Base() const { return m_base; }

private:
    std::wstring m_name;
    const QeClassInfo* m_base;
};

// True when info is the record or derives from it. A null info (an object without a record) is
// of no kind.
bool IsKindOf(const QeClassInfo* info, const QeClassInfo* record);

template <class T>
    requires requires(T* object) {
        { object->GetClassInfo() } -> std::convertible_to<const QeClassInfo*>;
    }
bool IsKindOf(T* object, const QeClassInfo* record) {
    return object != nullptr && IsKindOf(object->GetClassInfo(), record);
}

// The records of the edit control's glyph classes.
extern const QeClassInfo QeEditGlyphAnchorClass;
extern const QeClassInfo QeEditGlyphTextClass;
extern const QeClassInfo QeEditGlyphImageClass;
extern const QeClassInfo QeEditGlyphClass;
