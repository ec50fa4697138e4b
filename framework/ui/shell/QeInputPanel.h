// The soft input panel and the input method: the only place the program shows or hides the panel
// and sets whether typing is Korean or Latin.
#pragma once

#include <cstddef>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "platform/system/device.h"

class QeInputPanel : public QeSingleton<QeInputPanel> {
public:
    enum State : int { kNone = 0, kShown = 1, kHidden = 2 };

    // Lists the input methods the system offers and finds the current one among them.
    QeInputPanel();

    // Shows the panel; the first show tells every window of the panel's rectangle (when it has one).
    void Show();
    // Hides the panel; the first hide tells every window.
    void Hide();
    // The panel's rectangle in screen pixels; empty when the system cannot say.
    RECT GetPanelRect();
    // After a composed frame: hidden becomes none.
    void ResetAfterPaint();
    bool IsActive() const { return m_state != kNone; }
    bool IsShown() const { return m_state == kShown; }
    int GetState() const { return m_state; }
    // 0: native input (Korean); 1: Latin letters and digits; anything else changes nothing.
    void SetImeMode(int mode);
    // Drops the input method's composition without a result, at once: the edit that showed it has
    // kept it as text, and no later key may finish it somewhere else.
    void CancelComposition();

    const std::vector<IMENUMINFO>& Methods() const { return m_methods; }
    std::size_t CurrentMethod() const { return m_current; }

private:
    static int AddMethod(IMENUMINFO* info);

    int m_state = kNone;
    std::vector<IMENUMINFO> m_methods;
    std::size_t m_current = 0;
};
