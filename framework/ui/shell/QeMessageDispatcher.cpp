#include "framework/ui/shell/QeMessageDispatcher.h"

#include <deque>
#include <memory>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/base/QeObject.h"
#include "framework/base/QeTimerManager.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePaint.h"
#include "framework/ui/view/QeWindow.h"
#include "platform/system/device.h"
#include "platform/windows/imm.h"
#include "platform/windows/window.h"

namespace {

LRESULT g_messageResult = 0;
// How deep the main window's procedure is nested, and what waits for it to return to the loop.
int g_dispatchDepth = 0;
std::vector<std::unique_ptr<QeObject>> g_pendingDeletes;
std::deque<std::function<void()>> g_laterTasks;

void WakeForLaterTasks() {
    if (QeMainWindow* main = QeMainWindow::Instance()) {
        PostMessageCoalescedW(main->Handle(), QeMessageDispatcher::kRunLaterMessage, 0, 0);
    }
}

// Runs the tasks queued so far, in order. A task that queues another posts a new wake-up for it;
// one that ends the run (QeDropRunLater) leaves nothing to run.
void RunLaterTasks() {
    for (size_t due = g_laterTasks.size(); due > 0 && !g_laterTasks.empty(); --due) {
        // Out of the queue first: the task may queue more, or drop the rest.
        std::function<void()> task = std::move(g_laterTasks.front());
        g_laterTasks.pop_front();
        task();
    }
}

// Keeps the depth for one run of the procedure and frees what was dropped once the outermost run
// ends; anything their destructors drop goes at once. The run-later wake-up, which only the loop
// dispatches, then runs the queued tasks.
class DispatchScope {
public:
    explicit DispatchScope(UINT message) : m_runTasks(message == QeMessageDispatcher::kRunLaterMessage) {
        ++g_dispatchDepth;
    }
    ~DispatchScope() {
        if (--g_dispatchDepth != 0) {
            // Taken by a loop run inside a handler: the tasks wait for the outer one.
            if (m_runTasks) WakeForLaterTasks();
            return;
        }
        std::vector<std::unique_ptr<QeObject>>().swap(g_pendingDeletes);
        if (m_runTasks) RunLaterTasks();
    }

private:
    bool m_runTasks;
};

QeWindow* Root() {
    QeApplicationBase* application = QeApplicationBase::Instance();
    return application != nullptr ? &application->Root() : nullptr;
}

// A routing operation of the root with the message's parameters: 1 when it took the message.
int Route(int (QeWindow::*route)(WPARAM, LPARAM), WPARAM wParam, LPARAM lParam) {
    QeWindow* root = Root();
    return root != nullptr && (root->*route)(wParam, lParam) ? 1 : 0;
}

// A pen routing operation at the signed position the message carries.
int RoutePen(int (QeWindow::*route)(int, int), LPARAM lParam) {
    QeWindow* root = Root();
    return root != nullptr && (root->*route)(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) ? 1 : 0;
}

const QeMessageTable kTable[QeMessageDispatcher::kTableSize] = {
    {WM_SIZE, &QeMessageDispatcher::OnSize},
    {WM_ERASEBKGND, &QeMessageDispatcher::OnEraseBackground},
    {WM_PAINT, &QeMessageDispatcher::OnPaint},
    {WM_LBUTTONDOWN, &QeMessageDispatcher::OnLButtonDown},
    {WM_LBUTTONUP, &QeMessageDispatcher::OnLButtonUp},
    {WM_MOUSEMOVE, &QeMessageDispatcher::OnMouseMove},
    {WM_KEYDOWN, &QeMessageDispatcher::OnKeyDown},
    {WM_KEYUP, &QeMessageDispatcher::OnKeyUp},
    {WM_IME_STARTCOMPOSITION, &QeMessageDispatcher::OnImeStartComposition},
    {WM_IME_ENDCOMPOSITION, &QeMessageDispatcher::OnImeEndComposition},
    {WM_IME_COMPOSITION, &QeMessageDispatcher::OnImeComposition},
    {WM_CHAR, &QeMessageDispatcher::OnChar},
    {WM_USER, &QeMessageDispatcher::OnTimer},
    {EM_GETSEL, &QeMessageDispatcher::OnGetSel},
    {EM_SETSEL, &QeMessageDispatcher::OnSetSel},
    {EM_REPLACESEL, &QeMessageDispatcher::OnReplaceSel},
};

}  // namespace

QeMessageDispatcher::~QeMessageDispatcher() { QeDropRunLater(); }

const QeMessageTable* QeMessageDispatcher::Table() { return kTable; }

void QeMessageDispatcher::SetMessageResult(LRESULT result) { g_messageResult = result; }
LRESULT QeMessageDispatcher::MessageResult() { return g_messageResult; }

int QeMessageDispatcher::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const QeMessageTable& entry : kTable) {
        if (entry.message == message) return entry.handler(Instance(), wParam, lParam);
    }
    return 0;
}

LRESULT QeMessageDispatcher::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Instance() == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    DispatchScope scope(message);
    g_messageResult = 0;
    if (Dispatch(message, wParam, lParam)) return g_messageResult;
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == kRunLaterMessage) return 0;
    if (message == WM_ACTIVATE) {
        if (wParam == WA_ACTIVE || wParam == WA_CLICKACTIVE) {
            SHFullScreen(window, SHFS_HIDESIPBUTTON);
            ShowWindow(FindWindowW(L"MS_SIPBUTTON", nullptr), SW_HIDE);
            if (QeInputPanel* panel = QeInputPanel::Instance()) panel->Hide();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int QeMessageDispatcher::OnSize(QeMessageDispatcher*, WPARAM, LPARAM lParam) {
    QeWindow* root = Root();
    return root != nullptr ? root->BroadcastParentSize(LOWORD(lParam), HIWORD(lParam)) : 0;
}

int QeMessageDispatcher::OnEraseBackground(QeMessageDispatcher*, WPARAM, LPARAM) { return 1; }

int QeMessageDispatcher::OnPaint(QeMessageDispatcher*, WPARAM, LPARAM) {
    return QePaintMainWindow();
}

int QeMessageDispatcher::OnLButtonDown(QeMessageDispatcher*, WPARAM, LPARAM lParam) {
    if (QeMainWindow* main = QeMainWindow::Instance()) SetCapture(main->Handle());
    return RoutePen(&QeWindow::RoutePenDown, lParam);
}

int QeMessageDispatcher::OnLButtonUp(QeMessageDispatcher*, WPARAM, LPARAM lParam) {
    ReleaseCapture();
    return RoutePen(&QeWindow::RoutePenUp, lParam);
}

int QeMessageDispatcher::OnMouseMove(QeMessageDispatcher*, WPARAM, LPARAM lParam) {
    return RoutePen(&QeWindow::RoutePenMove, lParam);
}

int QeMessageDispatcher::OnKeyDown(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteKeyDown, wParam, lParam);
}

int QeMessageDispatcher::OnKeyUp(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteKeyUp, wParam, lParam);
}

int QeMessageDispatcher::OnImeStartComposition(QeMessageDispatcher*, WPARAM, LPARAM) { return 1; }
int QeMessageDispatcher::OnImeEndComposition(QeMessageDispatcher*, WPARAM, LPARAM) { return 1; }

int QeMessageDispatcher::OnImeComposition(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    if ((lParam & GCS_RESULTSTR) != 0) return Route(&QeWindow::RouteChar, LOWORD(wParam), lParam);
    const LPARAM kind = (lParam & GCS_DELTASTART) != 0 ? 2 : (lParam >> 3) & 1;
    return Route(&QeWindow::RouteImeComposition, LOWORD(wParam), kind);
}

int QeMessageDispatcher::OnChar(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteChar, LOWORD(wParam), lParam);
}

int QeMessageDispatcher::OnTimer(QeMessageDispatcher*, WPARAM wParam, LPARAM) {
    if (QeTimerManager* timers = QeTimerManager::Instance()) timers->OnTimer(wParam);
    return 1;
}

int QeMessageDispatcher::OnGetSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteGetSel, wParam, lParam);
}

int QeMessageDispatcher::OnSetSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteSetSel, wParam, lParam);
}

int QeMessageDispatcher::OnReplaceSel(QeMessageDispatcher*, WPARAM wParam, LPARAM lParam) {
    return Route(&QeWindow::RouteReplaceSel, wParam, lParam);
}

int QeMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (QeClock* clock = QeClock::Instance()) clock->Update();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 1;
}

void QeDeleteAfterDispatch(QeObject* object) {
    if (object == nullptr) return;
    if (g_dispatchDepth == 0) {
        delete object;
        return;
    }
    g_pendingDeletes.emplace_back(object);
}

void QeRunLater(std::function<void()> task) {
    if (!task) return;
    g_laterTasks.push_back(std::move(task));
    // One waiting wake-up runs every task queued before it is dispatched.
    WakeForLaterTasks();
}

void QeDropRunLater() {
    // Dropped outside the queue: a task's captures may queue or drop while they are destroyed.
    std::deque<std::function<void()>> dropped;
    dropped.swap(g_laterTasks);
}

size_t QeRunLaterCount() { return g_laterTasks.size(); }
