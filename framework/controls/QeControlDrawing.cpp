#include "framework/controls/QeControlDrawing.h"

#include "framework/ui/view/QeRect.h"
#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/view/QeWindow.h"

void QeDrawImageOverWindow(const QeWindow& window, QeSkinImage& image, QeDC& surface, const RECT& rect) {
    if (image.Image() == nullptr) return;
    const POINT offset = window.SurfaceOffset();
    image.Draw(surface, rect, QeOffsetRect(rect, -offset.x, -offset.y), SIZE{window.Width(), window.Height()});
}

void QeDrawTextInWindow(const QeWindow& window, QeSkinText& text, POINT offset, QeDC& surface, const RECT& rect) {
    if (text.Text().empty()) return;
    const POINT origin = window.SurfaceOffset();
    text.Draw(surface, QeOffsetRect(window.GetClientRect(), origin.x + offset.x, origin.y + offset.y), rect);
}

bool QePenInside(const QeWindow& window, int x, int y) {
    return QePointInRect(window.Rect(), window.ScreenToParent(POINT{x, y}));
}
