// The base of every full-screen page: a window with a surface of its own (the transitions capture
// pages and refuse windows without one), told when navigation leaves it.
#pragma once

#include "framework/ui/motion/QeTransition.h"
#include "framework/ui/view/QeWindow.h"

class ChatSession;

class ScreenBase : public QeWindow {
public:
    ScreenBase() { SetOwnDC(true); }

    // Navigation is leaving this page for params.target; called before the switch starts. The
    // choosers hand their result back here.
    virtual void OnLeave(const QeTransitionParams& params) { (void)params; }
    // The chat a chat page shows; null for every other page. The status bar's Close ends it.
    virtual ChatSession* PageChatSession() { return nullptr; }
    // Close was tapped: the page ends its chat once its leaving transition is over.
    virtual void MarkClosing() {}
};
