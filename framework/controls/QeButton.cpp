#include "framework/controls/QeButton.h"

#include "framework/base/QeMarkup.h"
#include "framework/controls/QeControlDrawing.h"

namespace {

template <class Element>
bool LoadIfPresent(const QeMarkupElement& element, const wchar_t* key, Element& into) {
    const QeMarkupElement* child = element.FindChild(key);
    return child == nullptr || into.Load(*child);
}

void ReadPoint(const QeMarkupElement& element, const wchar_t* key, POINT& into) {
    if (const QeMarkupElement* child = element.FindChild(key)) {
        const SIZE point = ParseSize(child);
        into = POINT{point.cx, point.cy};
    }
}

}  // namespace

int QeButton::Load(const QeMarkupElement& element) {
    if (!LoadIfPresent(element, L"DefaultImage", m_defaultImage) ||
        !LoadIfPresent(element, L"ClickedImage", m_clickedImage) ||
        !LoadIfPresent(element, L"DefaultLabel", m_defaultLabel) ||
        !LoadIfPresent(element, L"ClickedLabel", m_clickedLabel))
        return 0;
    ReadPoint(element, L"DefaultLabelOffset", m_defaultLabelOffset);
    ReadPoint(element, L"ClickedLabelOffset", m_clickedLabelOffset);
    return 1;
}

bool QeButton::ShowsClicked() const { return m_held != 0 && QeGetPressedWindow() == this; }

int QeButton::Draw(QeSurface* surface, const RECT& rect) {
    if (surface == nullptr) return 1;
    const bool clicked = ShowsClicked();
    QeSkinImage& image = clicked && m_clickedImage.Image() != nullptr ? m_clickedImage : m_defaultImage;
    QeDrawImageOverWindow(*this, image, *surface, rect);
    // Each label keeps its own offset: a button with only a default label does not move its text.
    const bool clickedLabel = clicked && !m_clickedLabel.Text().empty();
    QeDrawTextInWindow(*this, clickedLabel ? m_clickedLabel : m_defaultLabel,
                       clickedLabel ? m_clickedLabelOffset : m_defaultLabelOffset, *surface, rect);
    return 1;
}

void QeButton::SetHeld(bool held) {
    if (m_held == (held ? 1 : 0)) return;
    m_held = held ? 1 : 0;
    Invalidate(RECT{0, 0, 0, 0}, true);
}

int QeButton::OnPenDown(int x, int y) {
    m_held = 1;
    Invalidate(RECT{0, 0, 0, 0}, true);
    return QeWindow::OnPenDown(x, y);
}

int QeButton::OnPenUp(int x, int y) {
    m_held = 0;
    Invalidate(RECT{0, 0, 0, 0}, true);
    return QeWindow::OnPenUp(x, y);
}

int QeButton::OnPenMove(int x, int y) {
    SetHeld(QePenInside(*this, x, y));
    return QeWindow::OnPenMove(x, y);
}
