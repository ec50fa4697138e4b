#include "framework/controls/QeFontCache.h"

int QeFontCache::Select(const QeTextStyle& style) {
    if (auto found = m_fonts.find(style); found != m_fonts.end()) {
        m_current = found->second.get();
        return 1;
    }
    auto font = std::make_unique<QeFontHandle>();
    if (!font->Create(style)) return 0;
    m_current = font.get();
    m_fonts.emplace(style, std::move(font));
    return 1;
}

void QeFontCache::Clear() {
    m_current = nullptr;
    m_fonts.clear();
}
