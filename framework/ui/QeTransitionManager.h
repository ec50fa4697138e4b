// The running screen transitions, which the paint path draws over the screen every frame.
//
// Only what the paint path needs of a transition is here: drawing itself onto the frame and the
// screen rectangle it covers.
#pragma once

#include <memory>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "platform/win_types.h"

class QeDC;

class QeTransition {
public:
    virtual ~QeTransition() = default;
    // Draws the transition's present state onto the DC; false when it cannot.
    virtual bool Render(QeDC& dc) = 0;
    // The screen rectangle the transition draws over.
    virtual RECT Area() const = 0;
};

class QeTransitionManager : public QeSingleton<QeTransitionManager> {
public:
    // Takes the transition; it is drawn from the next frame on.
    void Add(std::unique_ptr<QeTransition> transition);
    // Deletes the transition and stops drawing it.
    void Remove(QeTransition* transition);
    void Clear() { m_running.clear(); }

    // Renders every transition onto the DC; false at the first that fails. True with none.
    bool RenderAll(QeDC& dc);
    // The rectangles they draw over, in the order they render.
    std::vector<RECT> Areas() const;
    size_t Count() const { return m_running.size(); }

private:
    std::vector<std::unique_ptr<QeTransition>> m_running;
};
