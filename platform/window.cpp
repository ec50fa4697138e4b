#include "platform/window.h"

#include <chrono>
#include <condition_variable>
#include <cwctype>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/mmtimer.h"
#include "platform/thread.h"

namespace {

struct ClassRecord {
    std::wstring name;
    WNDCLASSW info{};
    ATOM atom = 0;
};

struct WindowRecord {
    std::wstring className;
    std::wstring title;
    WNDPROC procedure = nullptr;
    DWORD thread = 0;
    HWND parent = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    LONG_PTR userData = 0;
    bool destroying = false;
};

struct QueuedMessage {
    MSG msg;
    bool coalesced;
};

struct ThreadQueue {
    std::deque<QueuedMessage> posted;
    bool quitPending = false;
    int quitCode = 0;
    std::condition_variable wake;
};

// The window table and every thread's queue, under one lock. The lock is never held while a window
// procedure runs.
struct WindowSystem {
    std::mutex lock;
    std::vector<ClassRecord> classes;
    std::map<std::uintptr_t, WindowRecord> windows;  // ordered by handle, that is by creation
    std::unordered_map<DWORD, std::unique_ptr<ThreadQueue>> queues;
    std::uintptr_t nextHandle = 0x10000;
    ATOM nextAtom = 0xC000;
};

// Never destroyed: other threads may still post while the process ends.
WindowSystem& System() {
    static WindowSystem* system = new WindowSystem;
    return *system;
}

std::uintptr_t Key(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }
HWND Handle(std::uintptr_t key) { return reinterpret_cast<HWND>(key); }

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == L'\0' || std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return b[i] == L'\0';
}

// A thread's windows and queue go when the thread ends, without calling any procedure.
struct QueueOwner {
    DWORD thread = 0;
    ~QueueOwner() {
        if (thread == 0) return;
        WindowSystem& system = System();
        std::lock_guard<std::mutex> guard(system.lock);
        for (auto it = system.windows.begin(); it != system.windows.end();) {
            it = it->second.thread == thread ? system.windows.erase(it) : std::next(it);
        }
        system.queues.erase(thread);
    }
};
thread_local QueueOwner t_queueOwner;

// The calling thread's queue, made on first use. Lock held.
ThreadQueue& OwnQueue(WindowSystem& system) {
    DWORD self = GetCurrentThreadId();
    auto it = system.queues.find(self);
    if (it != system.queues.end()) return *it->second;
    t_queueOwner.thread = self;
    auto inserted = system.queues.emplace(self, std::make_unique<ThreadQueue>());
    return *inserted.first->second;
}

WindowRecord* FindWindowRecord(WindowSystem& system, HWND window) {
    auto it = system.windows.find(Key(window));
    return it == system.windows.end() ? nullptr : &it->second;
}

bool MatchesFilter(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window == HWND_THREAD_ONLY) {
        if (msg.hwnd != nullptr) return false;
    } else if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

// Finds the next message for the calling thread. Lock held. Posted messages come first, in order;
// messages for windows that are gone are dropped on the way. Messages the system makes up on
// demand (paint, input) belong after the posted ones; the quit flag comes last.
bool TakeNext(WindowSystem& system, ThreadQueue& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax,
              bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end();) {
        const MSG& msg = it->msg;
        if (msg.hwnd != nullptr && FindWindowRecord(system, msg.hwnd) == nullptr) {
            it = queue.posted.erase(it);
            continue;
        }
        if (!MatchesFilter(msg, window, filterMin, filterMax)) {
            ++it;
            continue;
        }
        *out = msg;
        if (remove) queue.posted.erase(it);
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
    return false;
}

bool HasWaiting(const ThreadQueue& queue) { return queue.quitPending || !queue.posted.empty(); }

BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool coalesce) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue* queue = nullptr;
    if (window == nullptr) {
        queue = &OwnQueue(system);
    } else {
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->destroying) return FALSE;
        auto it = system.queues.find(record->thread);
        if (it == system.queues.end()) return FALSE;
        queue = it->second.get();
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
    queue->posted.push_back(QueuedMessage{msg, coalesce});
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

HINSTANCE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName != nullptr) return nullptr;
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));
}

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpszClassName[0] == L'\0') {
        return 0;
    }
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (const ClassRecord& existing : system.classes) {
        if (EqualNoCase(existing.name, windowClass->lpszClassName)) return 0;
    }
    if (system.nextAtom == 0) return 0;  // every atom is used
    ClassRecord record;
    record.name = windowClass->lpszClassName;
    record.info = *windowClass;
    record.info.lpszClassName = nullptr;  // the caller's text need not outlive the call
    record.info.lpszMenuName = nullptr;
    record.atom = system.nextAtom++;
    system.classes.push_back(std::move(record));
    return system.classes.back().atom;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
    if (className == nullptr) return nullptr;
    WindowSystem& system = System();
    HWND window = nullptr;
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        const ClassRecord* windowClass = nullptr;
        for (const ClassRecord& candidate : system.classes) {
            if (EqualNoCase(candidate.name, className)) windowClass = &candidate;
        }
        if (windowClass == nullptr) return nullptr;
        if (parent != nullptr && FindWindowRecord(system, parent) == nullptr) return nullptr;
        OwnQueue(system);
        WindowRecord record;
        record.className = windowClass->name;
        record.title = windowName != nullptr ? windowName : L"";
        record.procedure = windowClass->info.lpfnWndProc;
        record.thread = GetCurrentThreadId();
        record.parent = parent;
        record.style = style;
        record.exStyle = exStyle;
        record.rect = RECT{x, y, x + width, y + height};
        std::uintptr_t key = system.nextHandle;
        system.nextHandle += 4;
        system.windows.emplace(key, std::move(record));
        window = Handle(key);
        procedure = windowClass->info.lpfnWndProc;
    }
    CREATESTRUCTW create{};
    create.lpCreateParams = parameter;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (procedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    // The procedure may have destroyed the window itself.
    return IsWindow(window) ? window : nullptr;
}

BOOL DestroyWindow(HWND window) {
    WindowSystem& system = System();
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return FALSE;
        if (record->destroying) return TRUE;
        record->destroying = true;
        procedure = record->procedure;
    }
    procedure(window, WM_DESTROY, 0, 0);
    std::lock_guard<std::mutex> guard(system.lock);
    auto it = system.windows.find(Key(window));
    if (it == system.windows.end()) return TRUE;
    DWORD owner = it->second.thread;
    system.windows.erase(it);
    auto queue = system.queues.find(owner);
    if (queue != system.queues.end()) {
        auto& posted = queue->second->posted;
        for (auto msg = posted.begin(); msg != posted.end();) {
            msg = msg->msg.hwnd == window ? posted.erase(msg) : std::next(msg);
        }
    }
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (const auto& [key, record] : system.windows) {
        if (record.destroying) continue;
        if (className != nullptr && !EqualNoCase(record.className, className)) continue;
        if (windowName != nullptr && !EqualNoCase(record.title, windowName)) continue;
        return Handle(key);
    }
    return nullptr;
}

BOOL IsWindow(HWND window) {
    if (window == nullptr) return FALSE;
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    return FindWindowRecord(system, window) != nullptr ? TRUE : FALSE;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr || index != GWLP_USERDATA) return 0;
    return record->userData;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr || index != GWLP_USERDATA) return 0;
    LONG_PTR old = record->userData;
    record->userData = value;
    return old;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(window, message, wParam, lParam, false);
}

BOOL PostMessageCoalescedW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(window, message, wParam, lParam, true);
}

BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) return -1;
    WindowSystem& system = System();
    std::unique_lock<std::mutex> guard(system.lock);
    if (window != nullptr && window != HWND_THREAD_ONLY && FindWindowRecord(system, window) == nullptr) return -1;
    ThreadQueue& queue = OwnQueue(system);
    while (!TakeNext(system, queue, message, window, filterMin, filterMax, true)) queue.wake.wait(guard);
    return message->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (message == nullptr) return FALSE;
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    return TakeNext(system, queue, message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE
                                                                                                         : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

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
    std::unique_lock<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    if (milliseconds == INFINITE) {
        queue.wake.wait(guard, [&] { return HasWaiting(queue); });
        return TRUE;
    }
    return queue.wake.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] { return HasWaiting(queue); })
               ? TRUE
               : FALSE;
}

int CountQueuedMessages(HWND window, UINT message) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    int count = 0;
    for (const QueuedMessage& waiting : queue.posted) {
        if (window != nullptr && waiting.msg.hwnd != window) continue;
        if (message != 0 && waiting.msg.message != message) continue;
        if (waiting.msg.hwnd != nullptr && FindWindowRecord(system, waiting.msg.hwnd) == nullptr) continue;
        ++count;
    }
    return count;
}
