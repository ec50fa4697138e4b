// The window records and their procedures: classes, creation and destruction, showing, moving,
// titles and user data, and the raising of a window from another process.
//
// Rules its callers may rely on (beside those of window.h):
// - Handles come from one counter and are never reused in a run.
// - The table's lock is never held while a window procedure, the presenter or the input method
//   runs, so a procedure may call any window function, destroy its own window included.
// - Destroying a window drops its queued messages and capture, withdraws its announcement and
//   hands its framebuffer back; a window of a thread that ends goes without any procedure call.
#include "platform/windows/window.h"

#include <cstring>

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/screen/presenter.h"
#include "platform/system/thread.h"
#include "platform/windows/window_internal.h"
#include "platform/windows/window_table_internal.h"

namespace window_table {

// Never destroyed: other threads may still post while the process ends.
WindowSystem& System() {
    static WindowSystem* system = new WindowSystem;
    return *system;
}

WindowRecord* FindWindowRecord(WindowSystem& system, HWND window) {
    auto it = system.windows.find(Key(window));
    return it == system.windows.end() ? nullptr : &it->second;
}

// What a window leaves behind outside the table: its input context and its announcement.
void ForgetOutsideTable(HWND window, bool announced) {
    ImeForget(window);
    if (announced) WithdrawWindow(window);
}

}  // namespace window_table

using namespace window_table;

namespace {

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == L'\0' || std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return b[i] == L'\0';
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

// A fresh handle value: never reused, so a stale handle can never reach a newer window. Lock held.
std::uintptr_t TakeHandleKey(WindowSystem& system) {
    const std::uintptr_t key = system.nextHandle;
    system.nextHandle += 4;
    return key;
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

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (className == nullptr) return FALSE;
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (const auto& entry : system.windows) {
        if (EqualNoCase(entry.second.className, className)) return FALSE;
    }
    for (auto it = system.classes.begin(); it != system.classes.end(); ++it) {
        if (EqualNoCase(it->name, className)) {
            system.classes.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
    if (className == nullptr) return nullptr;
    static const bool provided = [] {
        ProvideWindowDcs();
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
    // Posted: a raise may come from another thread (a second start asking).
    PostMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
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

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    if (index != GWLP_USERDATA) return 0;
    return WithWindow(window, LONG_PTR{0}, [](WindowRecord& r) { return r.userData; });
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_USERDATA) return 0;
    return WithWindow(window, LONG_PTR{0}, [&](WindowRecord& r) { return std::exchange(r.userData, value); });
}
