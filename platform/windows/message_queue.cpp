// The message queues: one per thread, with the order in which Get/PeekMessageW take what waits.
//
// Rules its callers may rely on (beside those of window.h):
// - Posted messages come first, in the order posted, then input, then WM_QUIT, then WM_PAINT; a
//   paint that fell due before the message otherwise next was queued goes first, so a queue that
//   never empties cannot starve painting.
// - A message for a window that is gone is dropped when the queue reaches it.
// - A coalesced post adds nothing while an equal coalesced message (window, message, wParam) waits.
// - A message posted behind input lets the input queued before it go first.
// - Posting and queueing input are safe from any thread and wake the owner's blocked wait.
// - Messages are delivered to a procedure only on the thread that owns its window.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/system/mmtimer.h"
#include "platform/system/thread.h"
#include "platform/windows/window.h"
#include "platform/windows/window_internal.h"
#include "platform/windows/window_table_internal.h"

namespace window_table {

thread_local LastKey t_lastKey;

}  // namespace window_table

using namespace window_table;

namespace {

// A thread's windows and queue go when the thread ends, without calling any procedure.
struct QueueOwner {
    DWORD thread = 0;
    ~QueueOwner() {
        if (thread == 0) return;
        WindowSystem& system = System();
        std::vector<std::pair<HWND, bool>> gone;
        std::vector<HBITMAP> framebuffers;
        {
            std::lock_guard<std::mutex> guard(system.lock);
            for (auto it = system.windows.begin(); it != system.windows.end();) {
                if (it->second.thread != thread) {
                    ++it;
                    continue;
                }
                gone.emplace_back(Handle(it->first), it->second.announced);
                framebuffers.push_back(it->second.framebuffer);
                if (system.capture == Handle(it->first)) system.capture = nullptr;
                it = system.windows.erase(it);
            }
            system.queues.erase(thread);
        }
        for (const auto& [window, announced] : gone) ForgetOutsideTable(window, announced);
        for (HBITMAP framebuffer : framebuffers) {
            if (framebuffer != nullptr) DeleteObject(framebuffer);
        }
    }
};
thread_local QueueOwner t_queueOwner;

}  // namespace

namespace window_table {

// The calling thread's queue, made on first use. Lock held.
ThreadQueue& OwnQueue(WindowSystem& system) {
    DWORD self = GetCurrentThreadId();
    auto it = system.queues.find(self);
    if (it != system.queues.end()) return *it->second;
    t_queueOwner.thread = self;
    auto inserted = system.queues.emplace(self, std::make_unique<ThreadQueue>());
    return *inserted.first->second;
}

// The queue of the thread that owns the window, or null. Lock held.
ThreadQueue* OwnerQueue(WindowSystem& system, const WindowRecord& record) {
    auto it = system.queues.find(record.thread);
    return it == system.queues.end() ? nullptr : it->second.get();
}

}  // namespace window_table

namespace {

bool MatchesFilter(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window == HWND_THREAD_ONLY) {
        if (msg.hwnd != nullptr) return false;
    } else if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

// The first message of a queue that passes the filter; messages for windows that are gone are
// dropped on the way. Lock held.
std::deque<QueuedMessage>::iterator FirstMatch(WindowSystem& system, std::deque<QueuedMessage>& queue, HWND window,
                                               UINT filterMin, UINT filterMax) {
    for (auto it = queue.begin(); it != queue.end();) {
        const MSG& msg = it->msg;
        if (msg.hwnd != nullptr && FindWindowRecord(system, msg.hwnd) == nullptr) {
            it = queue.erase(it);
            continue;
        }
        if (MatchesFilter(msg, window, filterMin, filterMax)) return it;
        ++it;
    }
    return queue.end();
}

// The calling thread's window whose paint has been due longest, or null. Lock held.
WindowRecord* DuePaint(WindowSystem& system, DWORD thread, HWND window, UINT filterMin, UINT filterMax,
                       HWND* handle) {
    WindowRecord* due = nullptr;
    for (auto& [key, record] : system.windows) {
        if (record.thread != thread || !record.visible || record.destroying || record.update.Empty()) continue;
        MSG paint{};
        paint.hwnd = Handle(key);
        paint.message = WM_PAINT;
        if (!MatchesFilter(paint, window, filterMin, filterMax)) continue;
        if (due == nullptr || record.paintDue < due->paintDue) {
            due = &record;
            *handle = Handle(key);
        }
    }
    return due;
}

// Finds the next message for the calling thread. Lock held. Posted messages first, in order, then
// input, then the quit flag, then a paint; but a paint that fell due before the message otherwise
// next was queued goes first, so a queue that never empties cannot starve painting.
bool TakeNext(WindowSystem& system, ThreadQueue& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax,
              bool remove) {
    HWND paintWindow = nullptr;
    WindowRecord* paint = DuePaint(system, GetCurrentThreadId(), window, filterMin, filterMax, &paintWindow);
    auto takePaint = [&] {
        *out = MSG{};
        out->hwnd = paintWindow;
        out->message = WM_PAINT;
        out->time = timeGetTime();
        return true;
    };
    auto posted = FirstMatch(system, queue.posted, window, filterMin, filterMax);
    auto input = FirstMatch(system, queue.input, window, filterMin, filterMax);
    const bool inputFirst = posted != queue.posted.end() && posted->behindInput && input != queue.input.end() &&
                            input->stamp < posted->stamp;
    for (std::deque<QueuedMessage>* source : {inputFirst ? &queue.input : &queue.posted,
                                              inputFirst ? &queue.posted : &queue.input}) {
        auto it = source == &queue.posted ? posted : input;
        if (it == source->end()) continue;
        if (paint != nullptr && paint->paintDue < it->stamp) return takePaint();
        *out = it->msg;
        if (remove) {
            if (source == &queue.input && (out->message == WM_KEYDOWN || out->message == WM_KEYUP)) {
                t_lastKey = LastKey{*out, it->typed, true};
            }
            source->erase(it);
        }
        return true;
    }
    if (queue.quitPending) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(queue.quitCode);
        out->time = timeGetTime();
        if (remove) queue.quitPending = false;
        return true;
    }
    if (paint != nullptr) return takePaint();
    return false;
}

bool HasWaiting(WindowSystem& system, const ThreadQueue& queue) {
    if (queue.quitPending || !queue.posted.empty() || !queue.input.empty()) return true;
    HWND ignored = nullptr;
    return DuePaint(system, GetCurrentThreadId(), nullptr, 0, 0, &ignored) != nullptr;
}

BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool coalesce, bool behindInput = false) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue* queue = nullptr;
    if (window == nullptr) {
        queue = &OwnQueue(system);
    } else {
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->destroying) return FALSE;
        queue = OwnerQueue(system, *record);
        if (queue == nullptr) return FALSE;
    }
    if (coalesce) {
        for (const QueuedMessage& waiting : queue->posted) {
            if (waiting.coalesced && waiting.msg.hwnd == window && waiting.msg.message == message &&
                waiting.msg.wParam == wParam) {
                return TRUE;
            }
        }
    }
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    queue->posted.push_back(QueuedMessage{msg, coalesce, system.nextStamp++, 0, behindInput});
    queue->wake.notify_all();
    return TRUE;
}

// The procedure to call for a message to `window` from the calling thread, or null.
WNDPROC ProcedureFor(HWND window) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr || record->thread != GetCurrentThreadId()) return nullptr;
    return record->procedure;
}

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(window, message, wParam, lParam, false);
}

BOOL PostMessageCoalescedW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(window, message, wParam, lParam, true);
}

BOOL PostMessageBehindInputW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(window, message, wParam, lParam, false, true);
}

namespace {

// The calling thread's timers that run in its loop: those due run now; the wait then ends by the
// next one's time, or `until` when that comes first (`bounded`).
struct LoopTimers {
    bool timed = false;
    std::chrono::steady_clock::time_point at;

    LoopTimers(bool bounded = false, std::chrono::steady_clock::time_point until = {}) {
        unsigned long long due = 0;
        if (timeRunLoopTimers(&due)) {
            timed = true;
            at = std::chrono::steady_clock::time_point(std::chrono::milliseconds(due));
        }
        if (bounded && (!timed || until < at)) {
            timed = true;
            at = until;
        }
    }
    void Wait(std::condition_variable& wake, std::unique_lock<std::mutex>& guard) const {
        if (timed) {
            wake.wait_until(guard, at);
        } else {
            wake.wait(guard);
        }
    }
};

}  // namespace

BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) return -1;
    WindowSystem& system = System();
    for (;;) {
        const LoopTimers timers;
        std::unique_lock<std::mutex> guard(system.lock);
        if (window != nullptr && window != HWND_THREAD_ONLY && FindWindowRecord(system, window) == nullptr) return -1;
        ThreadQueue& queue = OwnQueue(system);
        if (TakeNext(system, queue, message, window, filterMin, filterMax, true)) {
            return message->message == WM_QUIT ? 0 : 1;
        }
        timers.Wait(queue.wake, guard);
    }
}

BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (message == nullptr) return FALSE;
    timeRunLoopTimers(nullptr);
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    return TakeNext(system, queue, message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE
                                                                                                         : FALSE;
}

bool QueueInput(HWND window, const std::vector<InputMessage>& messages) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr || record->destroying) return false;
    ThreadQueue* queue = OwnerQueue(system, *record);
    if (queue == nullptr) return false;
    for (const InputMessage& input : messages) {
        MSG msg{};
        msg.hwnd = window;
        msg.message = input.message;
        msg.wParam = input.wParam;
        msg.lParam = input.lParam;
        msg.time = timeGetTime();
        queue->input.push_back(QueuedMessage{msg, false, system.nextStamp++, input.typed});
    }
    queue->wake.notify_all();
    return true;
}

// ---- dispatching

LRESULT DispatchMessageW(const MSG* message) {
    if (message == nullptr || message->hwnd == nullptr) return 0;
    WNDPROC procedure = ProcedureFor(message->hwnd);
    if (procedure == nullptr) return 0;
    return procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

void PostQuitMessage(int exitCode) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    queue.quitPending = true;
    queue.quitCode = exitCode;
    queue.wake.notify_all();
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = ProcedureFor(window);
    if (procedure == nullptr) return 0;
    return procedure(window, message, wParam, lParam);
}

BOOL WaitMessageTimeout(DWORD milliseconds) {
    WindowSystem& system = System();
    const bool bounded = milliseconds != INFINITE;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(bounded ? milliseconds : 0);
    for (;;) {
        const LoopTimers timers(bounded, until);
        std::unique_lock<std::mutex> guard(system.lock);
        ThreadQueue& queue = OwnQueue(system);
        if (HasWaiting(system, queue)) return TRUE;
        if (bounded && std::chrono::steady_clock::now() >= until) return FALSE;
        timers.Wait(queue.wake, guard);
    }
}

int CountQueuedMessages(HWND window, UINT message) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    int count = 0;
    for (const auto* source : {&queue.posted, &queue.input}) {
        for (const QueuedMessage& waiting : *source) {
            if (window != nullptr && waiting.msg.hwnd != window) continue;
            if (message != 0 && waiting.msg.message != message) continue;
            if (waiting.msg.hwnd != nullptr && FindWindowRecord(system, waiting.msg.hwnd) == nullptr) continue;
            ++count;
        }
    }
    return count;
}
