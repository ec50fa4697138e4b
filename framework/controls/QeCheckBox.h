// The check box: a default and a checked image from its skin element. The checked state toggles
// when the pen is lifted inside it, before the parent hears of the click; while the pen is held
// inside, the box shows the state it would take. A read-only box ignores the pen.
#pragma once

#include <cstdint>

#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class QeCheckBox : public QeWindow {
public:
    // The optional keys DefaultImage and CheckedImage; 0 when one present does not load.
    int Load(const QeMarkupElement& element);

    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnPenUp(int x, int y) override;
    int OnPenMove(int x, int y) override;

    // Stores the state and repaints.
    void SetChecked(bool checked);
    bool IsChecked() const { return m_checked != 0; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly ? 1 : 0; }
    bool IsReadOnly() const { return m_readOnly != 0; }

    QeSkinImage& DefaultImage() { return m_defaultImage; }
    QeSkinImage& CheckedImage() { return m_checkedImage; }

private:
    QeSkinImage m_defaultImage;
    QeSkinImage m_checkedImage;
    uint8_t m_down = 0;  // the pen is held inside
    uint8_t m_checked = 0;
    uint8_t m_readOnly = 0;
};
