// One pooled font per text style for a control that writes in several styles (the edit's glyphs
// point at the holders kept here, so a holder lives as long as the cache: until Clear).
#pragma once

#include <map>
#include <memory>

#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"

class QeFontCache {
public:
    QeFontCache() = default;
    QeFontCache(const QeFontCache&) = delete;
    QeFontCache& operator=(const QeFontCache&) = delete;

    // The holder of an equal style becomes current; else a new one is made and kept. 0 (and the
    // current holder unchanged) when the pool gives no font for the style.
    int Select(const QeTextStyle& style);
    // Null before the first successful Select.
    QeFontHandle* Current() const { return m_current; }
    // Lets go of every font; the holders handed out before are gone.
    void Clear();
    size_t Size() const { return m_fonts.size(); }

private:
    // Ordered by the style's strict order: the font key, then back mode, colours and format.
    std::map<QeTextStyle, std::unique_ptr<QeFontHandle>> m_fonts;
    QeFontHandle* m_current = nullptr;
};
