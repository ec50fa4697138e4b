// A window showing one skin text in its rectangle. Screens change the text through the element's
// own setter and then invalidate.
#pragma once

#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class QeLabel : public QeWindow {
public:
    // Loads the element as the text; 0 when its font cannot be made.
    int Load(const QeMarkupElement& element) { return m_text.Load(element) ? 1 : 0; }
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeSkinText& Text() { return m_text; }

private:
    QeSkinText m_text;
};
