#include "framework/controls/QeImageView.h"

#include "framework/controls/QeControlDrawing.h"

int QeImageView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) QeDrawImageOverWindow(*this, m_image, *surface, rect);
    return 1;
}
