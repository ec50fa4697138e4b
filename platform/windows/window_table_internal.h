// What the window table's files share: the table itself, its records and the per-thread queues,
// all under the one lock of WindowSystem. Only window.cpp, message_queue.cpp, paint.cpp and
// input.cpp include this; everything here is used with the rules of window.h.
#pragma once

#include <pixman.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/windows/window.h"

namespace window_table {

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
    bool behindInput = false;  // input queued before it goes first (PostMessageBehindInputW)
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
    // Right Alt is held and no other key went down meanwhile: released so, it switches; with a
    // key it is the desktop's AltGr and types.
    bool rightAltAlone = false;
    // The character the desktop is still to send as text for a keystroke taken as the switch
    // (Shift+Space types a space there); 0 when none is due.
    char32_t switchText = 0;
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
// The key message the calling thread took last (message_queue.cpp sets it when a key is taken).
extern thread_local LastKey t_lastKey;

// The one window table of the process (window.cpp).
WindowSystem& System();

inline std::uintptr_t Key(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }
inline HWND Handle(std::uintptr_t key) { return reinterpret_cast<HWND>(key); }

// The window's record, or null. Lock held. (window.cpp)
WindowRecord* FindWindowRecord(WindowSystem& system, HWND window);
// What a window leaves behind outside the table: its input context and its announcement. Lock
// not held. (window.cpp)
void ForgetOutsideTable(HWND window, bool announced);

// The calling thread's queue, made on first use. Lock held. (message_queue.cpp)
ThreadQueue& OwnQueue(WindowSystem& system);
// The queue of the thread that owns the window, or null. Lock held. (message_queue.cpp)
ThreadQueue* OwnerQueue(WindowSystem& system, const WindowRecord& record);

// Adds the area to the window's update region; the paint falls due when the region stops being
// empty. Lock held. (paint.cpp)
void AddUpdate(WindowSystem& system, WindowRecord& record, const RECT& area, bool erase);
// A device bitmap of the size; null for an empty size or when it cannot be made. (paint.cpp)
HBITMAP NewFramebuffer(int width, int height);
// Lets GetDC of a window answer a DC on its framebuffer; done once, before the first window.
// (paint.cpp)
void ProvideWindowDcs();

// Runs `read` on the window's record under the lock; `absent` when there is no such window.
template <class R, class F>
R WithWindow(HWND window, R absent, F&& read) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    return record != nullptr ? read(*record) : absent;
}

}  // namespace window_table
