// A window showing one skin image stretched over itself. Screens change the image through the
// element's own setters and then invalidate.
#pragma once

#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class QeImageView : public QeWindow {
public:
    // Loads the element as the image; 0 when it does not load.
    int Load(const QeMarkupElement& element) { return m_image.Load(element) ? 1 : 0; }
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeSkinImage& Image() { return m_image; }

private:
    QeSkinImage m_image;
};
