#include "app/ScreenSkin.h"

#include <set>

#include "app/SkinDocument.h"
#include "framework/base/QeTrace.h"

namespace {

std::set<std::wstring>& Traced() {
    static std::set<std::wstring> traced;
    return traced;
}

const QeMarkupElement* Child(const QeMarkupElement* element, const wchar_t* name) {
    return element != nullptr ? element->FindChild(name) : nullptr;
}

// The element at the path and then one more name, traced under the whole path when missing.
const QeMarkupElement* FindKey(SkinPath path, const wchar_t* key) {
    const QeMarkupElement* element = ScreenSkin::Find(path);
    if (element == nullptr) return nullptr;
    const QeMarkupElement* value = element->FindChild(key);
    if (value == nullptr) {
        const std::wstring text = ScreenSkin::Text(path) + L"/" + key;
        if (Traced().insert(text).second) QeTrace(L"[QE+] ScreenSkin::Find, Tevrik/%ls is missing.\n", text.c_str());
    }
    return value;
}

}  // namespace

namespace ScreenSkin {

std::wstring Text(SkinPath path) {
    std::wstring text;
    for (const wchar_t* name : path) {
        if (!text.empty()) text += L'/';
        text += name;
    }
    return text;
}

const QeMarkupElement* Find(SkinPath path) {
    SkinDocument* skin = SkinDocument::Instance();
    const QeMarkupElement* element = skin != nullptr ? skin->Top() : nullptr;
    for (const wchar_t* name : path) element = Child(element, name);
    if (element == nullptr) {
        const std::wstring text = Text(path);
        if (Traced().insert(text).second) QeTrace(L"[QE+] ScreenSkin::Find, Tevrik/%ls is missing.\n", text.c_str());
    }
    return element;
}

RECT Rect(SkinPath path) {
    const QeMarkupElement* value = FindKey(path, L"_Rect");
    return value != nullptr ? ParseRect(value) : RECT{0, 0, 0, 0};
}

COLORREF BackColor(SkinPath path) {
    const QeMarkupElement* value = FindKey(path, L"_BackColor");
    return value != nullptr ? ParseColor(value) : 0;
}

int ItemHeight(SkinPath path) {
    const QeMarkupElement* value = FindKey(path, L"_TableViewItemHeight");
    return value != nullptr ? ParseInt(value) : 0;
}

void ForgetTraces() { Traced().clear(); }

}  // namespace ScreenSkin

bool ClassSkin::Stale() const { return m_generation != SkinDocument::Generation(); }

void ClassSkin::MarkRead() { m_generation = SkinDocument::Generation(); }

template <class Value>
Value& ClassSkin::Read(std::map<std::wstring, Kept<Value>>& kept, SkinPath path, Value (*read)(SkinPath)) {
    Kept<Value>& entry = kept[ScreenSkin::Text(path)];
    const uint64_t generation = SkinDocument::Generation();
    if (entry.generation != generation) {
        entry.value = read(path);
        entry.generation = generation;
    }
    return entry.value;
}

const RECT& ClassSkin::Rect(SkinPath path) { return Read(m_rects, path, &ScreenSkin::Rect); }

COLORREF ClassSkin::BackColor(SkinPath path) { return Read(m_colors, path, &ScreenSkin::BackColor); }

int ClassSkin::ItemHeight(SkinPath path) { return Read(m_heights, path, &ScreenSkin::ItemHeight); }
