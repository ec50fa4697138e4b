#include "framework/controls/QeCheckBox.h"

#include <initializer_list>
#include <utility>

#include "framework/base/QeMarkup.h"
#include "framework/controls/QeControlDrawing.h"

int QeCheckBox::Load(const QeMarkupElement& element) {
    for (auto [key, image] : {std::pair{L"DefaultImage", &m_defaultImage}, std::pair{L"CheckedImage", &m_checkedImage}}) {
        const QeMarkupElement* child = element.FindChild(key);
        if (child != nullptr && !image->Load(*child)) return 0;
    }
    return 1;
}

int QeCheckBox::Draw(QeSurface* surface, const RECT& rect) {
    if (surface == nullptr) return 1;
    bool showChecked = m_checked != 0;
    // Held down, the box shows what a release would make of it.
    if (m_down && QeGetPressedWindow() == this) showChecked = !showChecked;
    QeDrawImageOverWindow(*this, showChecked ? m_checkedImage : m_defaultImage, *surface, rect);
    return 1;
}

void QeCheckBox::SetChecked(bool checked) {
    m_checked = checked ? 1 : 0;
    Invalidate(RECT{0, 0, 0, 0}, true);
}

int QeCheckBox::OnPenDown(int x, int y) {
    if (m_readOnly) return 1;
    m_down = 1;
    Invalidate(RECT{0, 0, 0, 0}, true);
    return QeWindow::OnPenDown(x, y);
}

int QeCheckBox::OnPenUp(int x, int y) {
    if (m_readOnly) return 1;
    if (QePenInside(*this, x, y)) m_checked = m_checked ? 0 : 1;
    m_down = 0;
    Invalidate(RECT{0, 0, 0, 0}, true);
    return QeWindow::OnPenUp(x, y);
}

int QeCheckBox::OnPenMove(int x, int y) {
    if (m_readOnly) return 1;
    const uint8_t down = QePenInside(*this, x, y) ? 1 : 0;
    if (down != m_down) {
        m_down = down;
        Invalidate(RECT{0, 0, 0, 0}, true);
    }
    return QeWindow::OnPenMove(x, y);
}
