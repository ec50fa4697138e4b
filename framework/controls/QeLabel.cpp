#include "framework/controls/QeLabel.h"

#include "framework/controls/QeControlDrawing.h"

int QeLabel::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) QeDrawTextInWindow(*this, m_text, POINT{0, 0}, *surface, rect);
    return 1;
}
