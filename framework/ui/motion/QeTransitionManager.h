// The running screen transitions: the paint path draws them over the screen every frame, and each
// one leaves the set when it ends (QeTransition.h says what its end does).
//
// Rules callers rely on:
//   - Start answers false for a refused or failed start, traced; the switch is made all the same,
//     without animation, and the transition is gone: nothing is left in the set without a timer;
//   - a transition of no length switches at once and answers true;
//   - Remove and Clear delete without telling the windows (a reset drops what runs);
//   - a window being destroyed has every transition naming it finished at once: the other window
//     is switched and told as at a normal end, the destroyed one is left alone.
#pragma once

#include <memory>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "framework/ui/motion/QeTransition.h"
#include "platform/win_types.h"

class QeDC;
class QeSurface;
class QeWindow;

class QeTransitionManager : public QeSingleton<QeTransitionManager> {
public:
    ~QeTransitionManager() override { Clear(); }

    // Makes a transition of the params and starts it (see the rules above).
    bool Start(const QeTransitionParams& params);
    // Takes a transition that runs by itself; it is drawn from the next frame on.
    void Add(std::unique_ptr<QeTransition> transition);
    // Takes the transition out of the set, makes its switch and deletes it.
    void Finish(QeTransition* transition);
    // Ends every transition held now as its last step would, oldest first: out of the set, then
    // its switch made (see QeTransition::Finish). Those that the windows start while hearing of an
    // end are left running; at most as many are ended as were held at the call.
    void FinishAll();
    // Deletes the transition and stops drawing it.
    void Remove(QeTransition* transition);
    void Clear();

    // Some transition has not made its last step yet (it holds its timer).
    bool IsAnyRunning() const;
    // Renders every transition onto the DC; false at the first that fails. True with none.
    bool RenderAll(QeDC& dc);
    // The rectangles they draw over, in the order they render.
    std::vector<RECT> Areas() const;
    size_t Count() const { return m_running.size(); }

    // The window is being destroyed: every transition naming it is finished without it.
    void Forget(const QeWindow* window);
    // The surface a running transition captured of the window (pinned while it runs), or null.
    QeSurface* CaptureOf(const QeWindow* window) const;

private:
    // Out of the set, still alive; null when it is not there.
    std::unique_ptr<QeTransition> Take(QeTransition* transition);

    std::vector<std::unique_ptr<QeTransition>> m_running;
};
