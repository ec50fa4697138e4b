// The main window's procedure and its table of sixteen messages, and the program's message loop.
//
// Rules callers rely on:
//   - the procedure and the table need no live dispatcher object: once the dispatcher is gone (the
//     framework is stopping, the loop has ended), every message falls to DefWindowProcW, so the
//     main window's WM_DESTROY then posts no quit message;
//   - a handler answers nonzero when it handled the message; the procedure then answers the message
//     result, which is set to 0 before every dispatch and written only by a handler that must answer
//     with a value (SetMessageResult); an unhandled message gets the default handling;
//   - routing goes to the application's root window; without an application nothing is handled;
//   - an object handed to QeDeleteAfterDispatch lives until the message being dispatched has been
//     handled (the outermost one, when messages nest), so a handler may drop an object that is
//     still on the call stack (a popup closing itself from its own button);
//   - a task handed to QeRunLater runs from the loop, never inside the call that hands it over nor
//     inside any handler running then: it waits for a message posted to the main window and runs
//     once that message's dispatch is over, at the place where dropped objects are freed. A paint
//     sent by UpdateWindow while a handler runs is dispatched too, but it is no posted message and
//     runs no task. Tasks run in the order handed over; those queued when the loop ends are
//     dropped unrun.
#pragma once

#include <functional>

#include "framework/base/QeSingleton.h"
#include "platform/win_types.h"

class QeMessageDispatcher;

struct QeMessageTable {
    using Handler = int (*)(QeMessageDispatcher* dispatcher, WPARAM wParam, LPARAM lParam);
    UINT message;
    Handler handler;
};

class QeMessageDispatcher : public QeSingleton<QeMessageDispatcher> {
public:
    static constexpr int kTableSize = 16;
    // Posted to the main window to run the tasks of QeRunLater; in no table entry.
    static constexpr UINT kRunLaterMessage = 0x0401;  // WM_USER + 1

    ~QeMessageDispatcher() override;  // drops the tasks still queued

    static LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The first entry of the table for the message: its handler's answer, or 0 when none.
    static int Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    static const QeMessageTable* Table();

    // What the procedure answers for the message being handled.
    static void SetMessageResult(LRESULT result);
    static LRESULT MessageResult();


    static int OnSize(QeMessageDispatcher*, WPARAM, LPARAM lParam);
    static int OnEraseBackground(QeMessageDispatcher*, WPARAM, LPARAM);
    // The paint path (QePaintMainWindow): 1 when a frame was composed.
    static int OnPaint(QeMessageDispatcher*, WPARAM, LPARAM);
    static int OnLButtonDown(QeMessageDispatcher*, WPARAM, LPARAM lParam);
    static int OnLButtonUp(QeMessageDispatcher*, WPARAM, LPARAM lParam);
    static int OnMouseMove(QeMessageDispatcher*, WPARAM, LPARAM lParam);
    static int OnKeyDown(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnKeyUp(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnImeStartComposition(QeMessageDispatcher*, WPARAM, LPARAM);
    static int OnImeEndComposition(QeMessageDispatcher*, WPARAM, LPARAM);
    static int OnImeComposition(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnChar(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnTimer(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnGetSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnSetSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
    static int OnReplaceSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam);
};

// Gets, clocks, translates and dispatches messages until WM_QUIT; answers 1.
int QeMessageLoop();

class QeObject;

// Deletes the object once the main window's procedure has finished the message it is handling;
// at once when it is handling none. Null is ignored.
void QeDeleteAfterDispatch(QeObject* object);

// Queues the task and wakes the main window (see the rules above). An empty task is ignored.
void QeRunLater(std::function<void()> task);
// Drops every queued task unrun; the loop's end does it.
void QeDropRunLater();
// The tasks waiting.
size_t QeRunLaterCount();

