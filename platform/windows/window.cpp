#include "platform/windows/window.h"

#include <pixman.h>

#include <cstring>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cwctype>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/windows/input.h"
#include "platform/system/mmtimer.h"
#include "platform/screen/presenter.h"
#include "platform/system/thread.h"
#include "platform/windows/window_internal.h"

namespace {

struct ClassRecord {
    std::wstring name;
    WNDCLASSW info{};
    ATOM atom = 0;
};

// A set of pixels as rectangles, for update regions.
class Region {
public:
    Region() { pixman_region32_init(&m_region); }
    Region(const Region& other) {
        pixman_region32_init(&m_region);
        pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region));
    }
    Region& operator=(const Region&) = delete;
    ~Region() { pixman_region32_fini(&m_region); }

    bool Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&m_region)); }
    void Clear() {
        pixman_region32_fini(&m_region);
        pixman_region32_init(&m_region);
    }
    void Add(const RECT& rect) {
        if (rect.left >= rect.right || rect.top >= rect.bottom) return;
        pixman_region32_union_rect(&m_region, &m_region, rect.left, rect.top,
                                   static_cast<unsigned>(rect.right - rect.left),
                                   static_cast<unsigned>(rect.bottom - rect.top));
    }
    void Subtract(const RECT& rect) {
        if (rect.left >= rect.right || rect.top >= rect.bottom) return;
        pixman_region32_t cut;
        pixman_region32_init_rect(&cut, rect.left, rect.top, static_cast<unsigned>(rect.right - rect.left),
                                  static_cast<unsigned>(rect.bottom - rect.top));
        pixman_region32_subtract(&m_region, &m_region, &cut);
        pixman_region32_fini(&cut);
    }
    void Clip(const RECT& rect) {
        pixman_region32_t keep;
        pixman_region32_init_rect(&keep, rect.left, rect.top, static_cast<unsigned>(std::max(0, rect.right - rect.left)),
                                  static_cast<unsigned>(std::max(0, rect.bottom - rect.top)));
        pixman_region32_intersect(&m_region, &m_region, &keep);
        pixman_region32_fini(&keep);
    }
    RECT Bounds() const {
        if (Empty()) return RECT{};
        const pixman_box32_t* box = pixman_region32_extents(const_cast<pixman_region32_t*>(&m_region));
        return RECT{box->x1, box->y1, box->x2, box->y2};
    }
    std::vector<RECT> Rects() const {
        int count = 0;
        const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&m_region), &count);
        std::vector<RECT> out;
        for (int i = 0; i < count; ++i) out.push_back(RECT{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
        return out;
    }

private:
    pixman_region32_t m_region;
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
    bool visible = false;
    bool everShown = false;
    bool announced = false;
    HBRUSH background = nullptr;  // the class's, for WM_ERASEBKGND
    HBITMAP framebuffer = nullptr;
    Region update;
    bool erase = false;
    std::uint64_t paintDue = 0;  // the stamp taken when the update region last stopped being empty
    int raised = 0;

    int Width() const { return std::max(0, rect.right - rect.left); }
    int Height() const { return std::max(0, rect.bottom - rect.top); }
    RECT Client() const { return RECT{0, 0, Width(), Height()}; }
};

struct QueuedMessage {
    MSG msg;
    bool coalesced;
    std::uint64_t stamp;  // order of queuing across posted and input messages and paints
    char32_t typed;       // the character a key message types
};

struct ThreadQueue {
    std::deque<QueuedMessage> posted;
    std::deque<QueuedMessage> input;
    bool quitPending = false;
    int quitCode = 0;
    std::condition_variable wake;
};

// The keys held and the pen, as the input stand-in last saw them.
struct KeyboardState {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool capsLock = false;
    std::set<UINT> held;
    std::set<UINT> swallowed;  // keys whose release must not arrive either
    bool penDown = false;
};

// The window table and every thread's queue, under one lock. The lock is never held while a window
// procedure, the presenter or the input method runs.
struct WindowSystem {
    std::mutex lock;
    std::vector<ClassRecord> classes;
    std::map<std::uintptr_t, WindowRecord> windows;  // ordered by handle, that is by creation
    std::unordered_map<DWORD, std::unique_ptr<ThreadQueue>> queues;
    std::uintptr_t nextHandle = 0x10000;
    ATOM nextAtom = 0xC000;
    std::uint64_t nextStamp = 1;
    HWND capture = nullptr;
    KeyboardState keyboard;
};

// The key message the calling thread took last, so TranslateMessage knows what it typed.
struct LastKey {
    MSG msg{};
    char32_t typed = 0;
    bool valid = false;
};
thread_local LastKey t_lastKey;

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

// What a window leaves behind outside the table: its input context and its announcement.
void ForgetOutsideTable(HWND window, bool announced) {
    ImeForget(window);
    if (announced) WithdrawWindow(window);
}

// A device bitmap of the size; null for an empty size or when it cannot be made.
HBITMAP NewFramebuffer(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Copies what fits of one framebuffer into another (both in the device format).
void CopyOverlap(HBITMAP from, HBITMAP to) {
    BitmapPixels source{};
    BitmapPixels target{};
    if (!GetBitmapPixels(from, &source) || !GetBitmapPixels(to, &target)) return;
    const int rows = std::min(source.height, target.height);
    const size_t bytes = static_cast<size_t>(std::min(source.width, target.width)) * 4;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(target.top + static_cast<std::ptrdiff_t>(y) * target.stride,
                    source.top + static_cast<std::ptrdiff_t>(y) * source.stride, bytes);
    }
}

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

// The calling thread's queue, made on first use. Lock held.
ThreadQueue& OwnQueue(WindowSystem& system) {
    DWORD self = GetCurrentThreadId();
    auto it = system.queues.find(self);
    if (it != system.queues.end()) return *it->second;
    t_queueOwner.thread = self;
    auto inserted = system.queues.emplace(self, std::make_unique<ThreadQueue>());
    return *inserted.first->second;
}

// A fresh handle value: never reused, so a stale handle can never reach a newer window. Lock held.
std::uintptr_t TakeHandleKey(WindowSystem& system) {
    const std::uintptr_t key = system.nextHandle;
    system.nextHandle += 4;
    return key;
}

WindowRecord* FindWindowRecord(WindowSystem& system, HWND window) {
    auto it = system.windows.find(Key(window));
    return it == system.windows.end() ? nullptr : &it->second;
}

// Adds the area to the window's update region. The paint falls due when the region stops being
// empty, which places it among the queued messages. Lock held.
void AddUpdate(WindowSystem& system, WindowRecord& record, const RECT& area, bool erase) {
    if (record.update.Empty()) record.paintDue = system.nextStamp++;
    record.update.Add(area);
    if (erase) record.erase = true;
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
    for (std::deque<QueuedMessage>* source : {&queue.posted, &queue.input}) {
        auto it = FirstMatch(system, *source, window, filterMin, filterMax);
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

// The queue of the thread that owns the window, or null. Lock held.
ThreadQueue* OwnerQueue(WindowSystem& system, const WindowRecord& record) {
    auto it = system.queues.find(record.thread);
    return it == system.queues.end() ? nullptr : it->second.get();
}

// Runs `read` on the window's record under the lock; `absent` when there is no such window.
template <class R, class F>
R WithWindow(HWND window, R absent, F&& read) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    return record != nullptr ? read(*record) : absent;
}

BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool coalesce) {
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
    queue->posted.push_back(QueuedMessage{msg, coalesce, system.nextStamp++, 0});
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

namespace {

HDC WindowDc(HWND window) {
    HBITMAP framebuffer = WindowFramebuffer(window);
    RECT client{};
    if (framebuffer == nullptr || !GetClientRect(window, &client)) return nullptr;
    return CreatePaintDC(framebuffer, &client, 1);
}

void WindowDcReleased(HWND window, HDC) {
    RECT client{};
    if (GetClientRect(window, &client)) CurrentPresenter().Painted(window, client);
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
    if (className == nullptr) return nullptr;
    static const bool provided = [] {
        SetWindowDcProvider(WindowDcProvider{&WindowDc, &WindowDcReleased});
        return true;
    }();
    (void)provided;
    WindowSystem& system = System();
    HWND window = nullptr;
    WNDPROC procedure = nullptr;
    std::wstring realClass;
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
        record.style = style & ~WS_VISIBLE;
        record.exStyle = exStyle;
        record.rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
        record.background = windowClass->info.hbrBackground;
        const std::uintptr_t key = TakeHandleKey(system);
        system.windows.emplace(key, std::move(record));
        window = Handle(key);
        procedure = windowClass->info.lpfnWndProc;
        realClass = windowClass->name;
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
    // The procedure may have destroyed the window itself, at any of these steps.
    if (!IsWindow(window)) return nullptr;
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(std::max(0, width), std::max(0, height)));
    if (!IsWindow(window)) return nullptr;
    const bool announce = parent == nullptr && (style & (WS_POPUP | WS_CAPTION)) != 0 && windowName != nullptr &&
                          windowName[0] != L'\0';
    if (announce && AnnounceWindow(window, realClass, windowName)) {
        std::lock_guard<std::mutex> guard(system.lock);
        if (WindowRecord* record = FindWindowRecord(system, window)) record->announced = true;
    }
    if ((style & WS_VISIBLE) != 0) ShowWindow(window, SW_SHOW);
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
    bool announced = false;
    bool wasVisible = false;
    HBITMAP framebuffer = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        auto it = system.windows.find(Key(window));
        if (it == system.windows.end()) return TRUE;
        announced = it->second.announced;
        framebuffer = it->second.framebuffer;
        wasVisible = it->second.visible;
        if (ThreadQueue* queue = OwnerQueue(system, it->second)) {
            for (auto* source : {&queue->posted, &queue->input}) {
                source->erase(std::remove_if(source->begin(), source->end(),
                                             [&](const QueuedMessage& m) { return m.msg.hwnd == window; }),
                              source->end());
            }
        }
        if (system.capture == window) system.capture = nullptr;
        system.windows.erase(it);
    }
    ForgetOutsideTable(window, announced);
    if (wasVisible) CurrentPresenter().Hidden(window);
    if (framebuffer != nullptr) DeleteObject(framebuffer);
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(window);
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
    }
    if (message == WM_ERASEBKGND) {
        HBRUSH background = nullptr;
        RECT client{};
        {
            WindowSystem& system = System();
            std::lock_guard<std::mutex> guard(system.lock);
            WindowRecord* record = FindWindowRecord(system, window);
            if (record == nullptr) return 0;
            background = record->background;
            client = record->Client();
        }
        if (background == nullptr) return 0;
        return FillRect(reinterpret_cast<HDC>(wParam), &client, background) ? 1 : 0;
    }
    return 0;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        for (const auto& [key, record] : system.windows) {
            if (record.destroying) continue;
            if (className != nullptr && !EqualNoCase(record.className, className)) continue;
            if (windowName != nullptr && !EqualNoCase(record.title, windowName)) continue;
            return Handle(key);
        }
    }
    return FindAnnouncedWindow(className, windowName);
}

BOOL IsWindow(HWND window) {
    if (window == nullptr) return FALSE;
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        if (FindWindowRecord(system, window) != nullptr) return TRUE;
    }
    return IsAnnouncedWindowAlive(window) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR text, int capacity) {
    if (text == nullptr || capacity <= 0) return 0;
    const std::wstring title = WithWindow(window, std::wstring(), [](WindowRecord& r) { return r.title; });
    const size_t n = std::min(title.size(), static_cast<size_t>(capacity - 1));
    title.copy(text, n);
    text[n] = L'\0';
    return static_cast<int>(n);
}

HWND NewWindowHandle() {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    return Handle(TakeHandleKey(system));
}

bool RaiseLocalWindow(HWND window) {
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->destroying) return false;
        ++record->raised;
    }
    CurrentPresenter().Raised(window);
    return true;
}

BOOL SetForegroundWindow(HWND window) {
    // Handles are multiples of 4; callers may set the low bit.
    HWND handle = Handle(Key(window) & ~static_cast<std::uintptr_t>(3));
    if (handle == nullptr) return FALSE;
    if (RaiseLocalWindow(handle)) return TRUE;
    return RaiseAnnouncedWindow(handle) ? TRUE : FALSE;
}

int WindowRaiseCount(HWND window) {
    return WithWindow(window, 0, [](WindowRecord& r) { return r.raised; });
}

BOOL ShowWindow(HWND window, int command) {
    WindowSystem& system = System();
    bool wasVisible = false;
    bool firstShow = false;
    int width = 0;
    int height = 0;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId() || record->destroying) return FALSE;
        wasVisible = record->visible;
        if (command == SW_HIDE) {
            record->visible = false;
        } else if (!wasVisible) {
            record->visible = true;
            firstShow = !record->everShown;
            record->everShown = true;
            AddUpdate(system, *record, record->Client(), true);
        }
        width = record->Width();
        height = record->Height();
    }
    if (command == SW_HIDE) {
        if (wasVisible) CurrentPresenter().Hidden(window);
        return wasVisible ? TRUE : FALSE;
    }
    if (!wasVisible) {
        CurrentPresenter().Shown(window, width, height);
        if (firstShow) SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    return WithWindow(window, FALSE, [](WindowRecord& r) { return r.visible ? TRUE : FALSE; });
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    WindowSystem& system = System();
    bool resized = false;
    bool visible = false;
    HBITMAP old = nullptr;
    width = std::max(0, width);
    height = std::max(0, height);
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return FALSE;
        resized = width != record->Width() || height != record->Height();
        record->rect = RECT{x, y, x + width, y + height};
        record->update.Clip(record->Client());
        visible = record->visible;
        if (resized) {
            old = record->framebuffer;
            record->framebuffer = nullptr;
        }
    }
    if (old != nullptr) {
        HBITMAP fresh = NewFramebuffer(width, height);
        if (fresh != nullptr) CopyOverlap(old, fresh);
        DeleteObject(old);
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record != nullptr && record->framebuffer == nullptr) {
            record->framebuffer = fresh;
        } else if (fresh != nullptr) {
            DeleteObject(fresh);
        }
    }
    if (resized) {
        if (visible) CurrentPresenter().Resized(window, width, height);
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
    if (repaint) InvalidateRect(window, nullptr, FALSE);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    return rect != nullptr && WithWindow(window, false, [&](WindowRecord& r) {
               *rect = r.Client();
               return true;
           });
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    return rect != nullptr && WithWindow(window, false, [&](WindowRecord& r) {
               *rect = r.rect;
               return true;
           });
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance != nullptr || name != IDC_ARROW) return nullptr;
    static int arrow = 0;
    return reinterpret_cast<HCURSOR>(&arrow);
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr) return FALSE;
    RECT area = record->Client();
    if (rect != nullptr) {
        area.left = std::max(area.left, rect->left);
        area.top = std::max(area.top, rect->top);
        area.right = std::min(area.right, rect->right);
        area.bottom = std::min(area.bottom, rect->bottom);
    }
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    AddUpdate(system, *record, area, erase);
    if (record->visible) {
        if (ThreadQueue* queue = OwnerQueue(system, *record)) queue->wake.notify_all();
    }
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    return WithWindow(window, FALSE, [&](WindowRecord& r) {
        if (rect == nullptr) {
            r.update.Clear();
        } else {
            r.update.Subtract(*rect);
        }
        if (r.update.Empty()) r.erase = false;
        return TRUE;
    });
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL) {
    return WithWindow(window, FALSE, [&](WindowRecord& r) {
        if (rect != nullptr) *rect = r.update.Bounds();
        return r.update.Empty() ? FALSE : TRUE;
    });
}

BOOL UpdateWindow(HWND window) {
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return FALSE;
        if (!record->visible || record->update.Empty()) return TRUE;
    }
    SendMessageW(window, WM_PAINT, 0, 0);
    return TRUE;
}

HBITMAP WindowFramebuffer(HWND window) {
    WindowSystem& system = System();
    int width = 0;
    int height = 0;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr) return nullptr;
        if (record->framebuffer != nullptr) return record->framebuffer;
        width = record->Width();
        height = record->Height();
    }
    HBITMAP made = NewFramebuffer(width, height);
    if (made == nullptr) return nullptr;
    HBITMAP kept = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record != nullptr && record->framebuffer == nullptr && record->Width() == width &&
            record->Height() == height) {
            record->framebuffer = made;
            return made;
        }
        kept = record != nullptr ? record->framebuffer : nullptr;
    }
    DeleteObject(made);  // another thread was quicker, or the window changed meanwhile
    return kept;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (paint == nullptr) return nullptr;
    *paint = PAINTSTRUCT{};
    std::vector<RECT> rects;
    bool erase = false;
    {
        WindowSystem& system = System();
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return nullptr;
        rects = record->update.Rects();
        paint->rcPaint = record->update.Bounds();
        erase = record->erase;
        record->update.Clear();
        record->erase = false;
    }
    HBITMAP framebuffer = WindowFramebuffer(window);
    HDC dc = framebuffer != nullptr ? CreatePaintDC(framebuffer, rects.data(), static_cast<int>(rects.size())) : nullptr;
    if (dc == nullptr) {
        paint->rcPaint = RECT{};
        return nullptr;
    }
    paint->hdc = dc;
    if (erase) paint->fErase = SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    if (paint->hdc != nullptr) DeleteDC(paint->hdc);
    const RECT& area = paint->rcPaint;
    if (paint->hdc != nullptr && area.left < area.right && area.top < area.bottom && IsWindow(window)) {
        CurrentPresenter().Painted(window, area);
    }
    return TRUE;
}

HWND SetCapture(HWND window) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    HWND previous = system.capture;
    if (FindWindowRecord(system, window) != nullptr) system.capture = window;
    return previous;
}

BOOL ReleaseCapture() {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    system.capture = nullptr;
    return TRUE;
}

HWND GetCapture() {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    return system.capture;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    if (index != GWLP_USERDATA) return 0;
    return WithWindow(window, LONG_PTR{0}, [](WindowRecord& r) { return r.userData; });
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_USERDATA) return 0;
    return WithWindow(window, LONG_PTR{0}, [&](WindowRecord& r) { return std::exchange(r.userData, value); });
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

// ---- keys and characters

bool IsTypedCharacter(char32_t ch) {
    if (ch == 8 || ch == 9 || ch == 13 || ch == 27) return true;
    if (ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0)) return false;
    if (ch >= 0xD800 && ch < 0xE000) return false;  // a lone surrogate is no character
    return ch <= 0x10FFFF;
}

void AppendCharMessages(char32_t ch, LPARAM lParam, std::vector<InputMessage>& out) {
    if (ch > 0xFFFF) {
        const char32_t v = ch - 0x10000;
        out.push_back(InputMessage{WM_CHAR, static_cast<WPARAM>(0xD800 + (v >> 10)), lParam});
        out.push_back(InputMessage{WM_CHAR, static_cast<WPARAM>(0xDC00 + (v & 0x3FF)), lParam});
        return;
    }
    out.push_back(InputMessage{WM_CHAR, static_cast<WPARAM>(ch), lParam});
}

namespace {

// The character a key types on a US layout.
char32_t LayoutCharacter(UINT key, bool shift, bool capsLock) {
    if (key >= 'A' && key <= 'Z') return shift != capsLock ? key : key + 32;
    if (key >= '0' && key <= '9') return shift ? U")!@#$%^&*("[key - '0'] : key;
    if (key >= 0x60 && key <= 0x69) return U'0' + (key - 0x60);  // the number pad
    struct Pair {
        UINT key;
        char32_t plain;
        char32_t shifted;
    };
    static constexpr Pair kKeys[] = {
        {VK_SPACE, U' ', U' '},      {VK_BACK, 8, 8},          {VK_TAB, 9, 9},           {VK_RETURN, 13, 13},
        {VK_ESCAPE, 27, 27},         {VK_OEM_1, U';', U':'},   {VK_OEM_PLUS, U'=', U'+'}, {VK_OEM_COMMA, U',', U'<'},
        {VK_OEM_MINUS, U'-', U'_'},  {VK_OEM_PERIOD, U'.', U'>'}, {VK_OEM_2, U'/', U'?'}, {VK_OEM_3, U'`', U'~'},
        {VK_OEM_4, U'[', U'{'},      {VK_OEM_5, U'\\', U'|'},  {VK_OEM_6, U']', U'}'},   {VK_OEM_7, U'\'', U'"'},
        {0x6A, U'*', U'*'},          {0x6B, U'+', U'+'},       {0x6D, U'-', U'-'},       {0x6E, U'.', U'.'},
        {0x6F, U'/', U'/'},
    };
    for (const Pair& pair : kKeys) {
        if (pair.key == key) return shift ? pair.shifted : pair.plain;
    }
    return 0;
}

bool IsShift(UINT key) { return key == VK_SHIFT || key == VK_LSHIFT || key == VK_RSHIFT; }
bool IsControl(UINT key) { return key == VK_CONTROL || key == VK_LCONTROL || key == VK_RCONTROL; }
bool IsAlt(UINT key) { return key == VK_MENU || key == VK_LMENU; }

std::int16_t Clamp16(long long v) { return static_cast<std::int16_t>(std::clamp<long long>(v, -32768, 32767)); }

}  // namespace

bool IsModifier(UINT key) { return IsShift(key) || IsControl(key) || IsAlt(key) || key == VK_CAPITAL; }

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    if (message->message == WM_KEYUP) return TRUE;
    if (message->message != WM_KEYDOWN) return FALSE;
    const LastKey& last = t_lastKey;
    char32_t typed = 0;
    if (last.valid && last.msg.hwnd == message->hwnd && last.msg.message == message->message &&
        last.msg.wParam == message->wParam && last.msg.lParam == message->lParam && last.msg.time == message->time) {
        typed = last.typed;
    } else if (message->wParam <= 0xFF) {
        // Made up by the program rather than typed: read the key as unshifted.
        typed = LayoutCharacter(static_cast<UINT>(message->wParam), false, false);
    }
    if (message->wParam == VK_PROCESSKEY || !IsTypedCharacter(typed)) return TRUE;
    std::vector<InputMessage> chars;
    AppendCharMessages(typed, message->lParam, chars);
    for (const InputMessage& ch : chars) PostMessageW(message->hwnd, ch.message, ch.wParam, ch.lParam);
    return TRUE;
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

BOOL InjectKey(HWND window, UINT key, bool down, bool textFollows) {
    WindowSystem& system = System();
    bool toggle = false;
    bool repeat = false;
    char32_t typed = 0;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        if (FindWindowRecord(system, window) == nullptr) return FALSE;
        KeyboardState& keys = system.keyboard;
        repeat = down && keys.held.count(key) != 0;
        if (down) {
            keys.held.insert(key);
        } else {
            keys.held.erase(key);
        }
        if (IsShift(key)) keys.shift = down;
        if (IsControl(key)) keys.control = down;
        if (IsAlt(key)) keys.alt = down;
        if (key == VK_CAPITAL && down && !repeat) keys.capsLock = !keys.capsLock;
        if (!down && keys.swallowed.erase(key) != 0) return TRUE;
        toggle = down && (key == VK_HANGUL || key == VK_RMENU ||
                          (key == VK_SPACE && keys.shift && !keys.control && !keys.alt));
        if (toggle) keys.swallowed.insert(key);
        if (!keys.control && !keys.alt) typed = LayoutCharacter(key, keys.shift, keys.capsLock);
    }
    std::vector<InputMessage> out;
    if (toggle) {
        if (!repeat) ImeToggle(window, out);
    } else if (!down) {
        out.push_back(InputMessage{WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u)});
    } else {
        const LPARAM lParam = repeat ? 0x40000001 : 1;
        std::vector<InputMessage> method;
        if (ImeKeyDown(window, key, typed, textFollows, method)) {
            out.push_back(InputMessage{WM_KEYDOWN, VK_PROCESSKEY, lParam});
        } else {
            if (textFollows && typed >= 0x20) typed = 0;  // its text comes by itself
            method.push_back(InputMessage{WM_KEYDOWN, key, lParam, typed});
        }
        out.insert(out.end(), method.begin(), method.end());
    }
    return out.empty() || QueueInput(window, out) ? TRUE : FALSE;
}

BOOL InjectText(HWND window, const std::u32string& text) {
    std::vector<InputMessage> out;
    for (char32_t ch : text) ImeText(window, ch, out);
    return QueueInput(window, out) ? TRUE : FALSE;
}

BOOL InjectPreedit(HWND window, const std::u32string& text) {
    std::vector<InputMessage> out;
    ImePreedit(window, text, out);
    return QueueInput(window, out) ? TRUE : FALSE;
}

BOOL InjectClose(HWND window) { return PostMessageW(window, WM_CLOSE, 0, 0); }

BOOL InjectPen(HWND window, UINT message, int x, int y) {
    if (message != WM_LBUTTONDOWN && message != WM_MOUSEMOVE && message != WM_LBUTTONUP) return FALSE;
    WindowSystem& system = System();
    HWND target = window;
    long long cx = x;
    long long cy = y;
    WPARAM buttons = 0;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr) return FALSE;
        WindowRecord* capture = system.capture != nullptr ? FindWindowRecord(system, system.capture) : nullptr;
        if (capture != nullptr) {
            target = system.capture;
            cx += static_cast<long long>(record->rect.left) - capture->rect.left;
            cy += static_cast<long long>(record->rect.top) - capture->rect.top;
        } else if (x < 0 || y < 0 || x >= record->Width() || y >= record->Height()) {
            if (message == WM_LBUTTONUP) system.keyboard.penDown = false;
            return FALSE;
        }
        if (message == WM_LBUTTONDOWN) system.keyboard.penDown = true;
        if (message == WM_LBUTTONUP) system.keyboard.penDown = false;
        buttons = system.keyboard.penDown ? MK_LBUTTON : 0;
    }
    std::vector<InputMessage> out;
    if (message == WM_LBUTTONDOWN) ImeFinish(target, out);
    out.push_back(InputMessage{message, buttons, MAKELPARAM(Clamp16(cx), Clamp16(cy))});
    return QueueInput(target, out) ? TRUE : FALSE;
}

BOOL InjectKeyPress(HWND window, UINT key) {
    return InjectKey(window, key, true) && InjectKey(window, key, false) ? TRUE : FALSE;
}

BOOL InjectClick(HWND window, int x, int y) {
    return InjectPen(window, WM_LBUTTONDOWN, x, y) && InjectPen(window, WM_LBUTTONUP, x, y) ? TRUE : FALSE;
}

void ResetKeyboardState() {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    system.keyboard = KeyboardState{};
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
    std::unique_lock<std::mutex> guard(system.lock);
    ThreadQueue& queue = OwnQueue(system);
    auto waiting = [&] { return HasWaiting(system, queue); };
    if (milliseconds == INFINITE) {
        queue.wake.wait(guard, waiting);
        return TRUE;
    }
    return queue.wake.wait_for(guard, std::chrono::milliseconds(milliseconds), waiting) ? TRUE : FALSE;
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
