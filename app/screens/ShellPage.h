// A page that its screen's issue has not built yet: its parts are plain windows laid out from its
// section, so start-up lays out all twenty windows and navigation has real pages to move between.
// Each page class keeps its own class-wide record.
#pragma once

#include <cstddef>

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"

// A part of a page, at its subsection's rectangle; it draws nothing until its screen is built.
class PagePart : public QeWindow {};

// Where a part's values lie: {section, subsection}; a part read from a root section (the tab bar)
// has no subsection.
struct PartName {
    const wchar_t* section;
    const wchar_t* part;
};

template <class Page, size_t N>
class ShellPage : public ScreenBase {
public:
    // The create step: the parts added as children. True.
    bool Create() {
        for (PagePart& part : m_parts) AddChild(&part);
        return true;
    }

    void OnRectChanged(const RECT&) override {
        for (size_t i = 0; i < N; ++i) {
            m_parts[i].SetRect(Read(i, [](ClassSkin& skin, SkinPath path) { return skin.Rect(path); }));
        }
    }

    void OnVisibleChanged(bool visible) override {
        for (PagePart& part : m_parts) part.SetVisible(visible);
    }

    PagePart& Part(size_t index) { return m_parts[index]; }

private:
    template <class Reader>
    static auto Read(size_t index, Reader read) {
        const PartName& name = Page::kParts[index];
        if (name.part == nullptr) return read(s_skin, SkinPath{name.section});
        return read(s_skin, SkinPath{name.section, name.part});
    }

    PagePart m_parts[N];
    static inline ClassSkin s_skin;
};
