#include "framework/ui/drawing/QeGraphics.h"

#include <memory>

bool QeFontHandle::Create(const QeTextStyle& style) {
    m_style = style;
    return m_font.Load(style.font);
}

bool QeFontHandle::operator==(const QeFontHandle& other) const {
    return Handle() == other.Handle() && m_style.backMode == other.m_style.backMode &&
           m_style.backColor == other.m_style.backColor && m_style.textColor == other.m_style.textColor &&
           m_style.format == other.m_style.format;
}

bool QeBackBuffer::Start() {
    if (!m_surface.Create(1, 1)) return false;
    m_surface.Fill(kColor);
    return true;
}

namespace {

// The framework's owner pointers of the graphics group.
struct GraphicsGroup {
    std::unique_ptr<QeSurfacePool> surfaces;
    std::unique_ptr<QeImagePool> images;
    std::unique_ptr<QeFontPool> fonts;
    std::unique_ptr<QeUpdateRegion> updateRegion;
    std::unique_ptr<QeBackBuffer> backBuffer;
};

GraphicsGroup& Group() {
    static GraphicsGroup group;
    return group;
}

}  // namespace

bool QeGraphicsStart() {
    GraphicsGroup& group = Group();
    group.surfaces.reset(new QeSurfacePool);
    group.images.reset(new QeImagePool);
    group.fonts.reset(new QeFontPool);
    group.updateRegion.reset(new QeUpdateRegion);
    group.backBuffer.reset(new QeBackBuffer);
    return group.backBuffer->Start();
}

void QeGraphicsStop() {
    GraphicsGroup& group = Group();
    group.backBuffer.reset();
    group.updateRegion.reset();
    // Each pool frees what it still holds as it goes.
    group.fonts.reset();
    group.images.reset();
    group.surfaces.reset();
}
