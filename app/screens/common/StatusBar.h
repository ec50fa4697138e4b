// The top bar of every signed-in screen, and the owner of the navigation history: a stack of
// reversed switches, so that replaying the top entry goes back. A shell of its strips until the
// status bar is built.
#pragma once

#include <vector>

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/motion/QeTransition.h"
#include "framework/ui/view/QeWindow.h"

class StatusBar : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"StatusBar";

    StatusBar();
    bool Create();
    void OnRectChanged(const RECT& rect) override;

    // ---- the history
    void PushHistory(const QeTransitionParams& params);
    // Moves the last entry into `out`; false, `out` untouched, when the history is empty.
    bool PopState(QeTransitionParams& out);
    void ClearHistory();
    const std::vector<QeTransitionParams>& History() const { return m_history; }

    // Back: ignored while a transition runs; else the input panel hidden and the last entry
    // replayed. Nothing more happens with an empty history.
    void OnBack();

private:
    QeImageView m_background;
    std::vector<QeTransitionParams> m_history;
    static ClassSkin s_skin;
};
