// Where a skin path lies on the screen: the "_Rect" of its last element moved by the "_Rect" of each
// element above it that has one, and by `origin` (for an element of a window lying in another).
#pragma once

#include <initializer_list>

#include "framework/base/QeMarkup.h"

inline RECT SkinPathRect(const QeMarkupElement* top, std::initializer_list<const wchar_t*> path, POINT origin) {
    const QeMarkupElement* element = top;
    RECT rect{0, 0, 0, 0};
    size_t step = 0;
    for (const wchar_t* name : path) {
        element = element != nullptr ? element->FindChild(name) : nullptr;
        const QeMarkupElement* value = element != nullptr ? element->FindChild(L"_Rect") : nullptr;
        const bool last = ++step == path.size();
        if (value == nullptr) continue;
        rect = ParseRect(value);
        if (!last) {
            origin.x += rect.left;
            origin.y += rect.top;
        }
    }
    return RECT{rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y};
}
