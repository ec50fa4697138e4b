// The screen pattern's skin look-ups: elements by their path of names under "Tevrik", and the
// values a page class reads once and shares with all its instances.
//
// Rules callers rely on:
//   - a path that the skin lacks (a section, a part, an element or a key) answers null, and the
//     value looked up takes the absent key's default: an empty rectangle, colour 0, height 0, a
//     widget left unloaded. Each missing path is traced once per loaded skin, "[QE+] " first, so
//     a skin with a gap still runs and the trace names the gap;
//   - a ClassSkin reads a path the first time it is asked for it after a skin was loaded and keeps
//     the value for the class: later asks, and later instances, take it without reading (the chat
//     pages share one). A path the skin lacks is traced once like any first read and keeps the
//     default.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "framework/base/QeMarkup.h"
#include "platform/win_types.h"

// Names from below "Tevrik" down to the element, e.g. {L"BuddyList", L"View", L"Line"}.
using SkinPath = std::initializer_list<const wchar_t*>;

namespace ScreenSkin {

// The element at Tevrik/<path>; null (traced) when the skin has no such path.
const QeMarkupElement* Find(SkinPath path);
// The "_Rect" inside the element at the path.
RECT Rect(SkinPath path);
// The "_BackColor" inside it.
COLORREF BackColor(SkinPath path);
// The "_TableViewItemHeight" inside it.
int ItemHeight(SkinPath path);

// Loads the widget from the element at the path; false, nothing loaded, when it is missing or its
// Load refuses.
template <class Widget>
bool Load(Widget& widget, SkinPath path) {
    const QeMarkupElement* element = Find(path);
    return element != nullptr && widget.Load(*element) != 0;
}

// "BuddyList/View/Line" for the path, as traces and records name it.
std::wstring Text(SkinPath path);
// Forgets which paths were traced; loading a skin does it.
void ForgetTraces();

}  // namespace ScreenSkin

// The values a class reads from the skin, each at its first use after a skin was loaded, one
// static record per class.
class ClassSkin {
public:
    // For what a class derives from the skin itself (colours of a caption, a source rectangle):
    // true until MarkRead after each skin load, so the class reads those once per skin.
    bool Stale() const;
    void MarkRead();

    // The "_Rect" inside the element at the path, read at the first ask for this skin.
    const RECT& Rect(SkinPath path);
    // The same for "_BackColor" and "_TableViewItemHeight".
    COLORREF BackColor(SkinPath path);
    int ItemHeight(SkinPath path);

    // Loads the widget from its element and answers the element's "_Rect" (see Rect).
    template <class Widget>
    const RECT& Load(Widget& widget, SkinPath path) {
        ScreenSkin::Load(widget, path);
        return Rect(path);
    }

private:
    // A value and the skin it was read from. Records are never erased, so an answer stays valid.
    template <class Value>
    struct Kept {
        uint64_t generation = UINT64_MAX;  // none: never read
        Value value{};
    };
    // The record of the path, read when it was not read from the loaded skin.
    template <class Value>
    static Value& Read(std::map<std::wstring, Kept<Value>>& kept, SkinPath path, Value (*read)(SkinPath));

    uint64_t m_generation = 0;  // of the skin MarkRead saw
    std::map<std::wstring, Kept<RECT>> m_rects;
    std::map<std::wstring, Kept<COLORREF>> m_colors;
    std::map<std::wstring, Kept<int>> m_heights;
};
