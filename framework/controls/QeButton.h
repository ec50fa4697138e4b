// The push button: a default and a clicked image and label from its skin element. It shows its
// clicked state while the pen that went down on it is held inside it, and its parent hears a click
// only when the pen is lifted inside.
#pragma once

#include <cstdint>

#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class QeButton : public QeWindow {
public:
    // The optional keys DefaultImage, ClickedImage, DefaultLabel, ClickedLabel (elements),
    // DefaultLabelOffset and ClickedLabelOffset ("x, y"), in that order. 0 at the first element
    // present that does not load (the keys after it are not read); 1 otherwise.
    int Load(const QeMarkupElement& element);

    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnPenUp(int x, int y) override;
    int OnPenMove(int x, int y) override;

    // Pressed and held inside: the clicked image and label show.
    bool ShowsClicked() const;

    QeSkinImage& DefaultImage() { return m_defaultImage; }
    QeSkinImage& ClickedImage() { return m_clickedImage; }
    QeSkinText& DefaultLabel() { return m_defaultLabel; }
    QeSkinText& ClickedLabel() { return m_clickedLabel; }
    POINT DefaultLabelOffset() const { return m_defaultLabelOffset; }
    POINT ClickedLabelOffset() const { return m_clickedLabelOffset; }

private:
    void SetHeld(bool held);

    QeSkinImage m_defaultImage;
    QeSkinImage m_clickedImage;
    QeSkinText m_defaultLabel;
    QeSkinText m_clickedLabel;
    POINT m_defaultLabelOffset{0, 0};
    POINT m_clickedLabelOffset{1, 1};
    uint8_t m_held = 0;
};
