// Windows and messages: window classes, windows with their procedures, and one message queue per
// thread. This is the program's only message loop machinery; painting, input and the on-screen
// window build on the same window table and queues.
//
// Rules that callers may rely on:
// - A window belongs to the thread that created it; its procedure runs only on that thread, from
//   DispatchMessageW, SendMessageW or the window calls themselves (WM_CREATE, WM_DESTROY).
// - PostMessageW is safe from any thread. Messages from one thread arrive in the order posted.
// - Window handles are never reused during a run, so a message meant for a window that is gone can
//   never reach a newer one. Posting to a dead window fails; messages still queued for a window
//   are dropped when it is destroyed.
// - A window may be destroyed from inside its own procedure.
// - PostQuitMessage sets a flag: WM_QUIT is taken once no other posted message is waiting, and
//   Get/PeekMessageW take it whatever their filters.
#pragma once

#include "platform/win_types.h"

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

// What WM_CREATE carries in lParam, valid during the call.
struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // timeGetTime() when posted
    POINT pt;
};

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

inline constexpr int GWLP_USERDATA = -21;

// The filter of Get/PeekMessageW that takes only messages posted to no window.
inline const HWND HWND_THREAD_ONLY = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

// The program's instance handle for a null name; null for any other module.
HINSTANCE GetModuleHandleW(LPCWSTR moduleName);

// Class names compare without regard to case. 0 when the class exists already, or the name or
// procedure is missing.
ATOM RegisterClassW(const WNDCLASSW* windowClass);

// Creates the window on the calling thread and sends WM_CREATE (lParam: CREATESTRUCTW*); when the
// procedure answers -1 the window is destroyed again and the result is null. Null also for an
// unknown class or a parent that is not a window.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);

// Sends WM_DESTROY, then removes the window and drops its queued messages. FALSE for a handle that
// is not a window and from a thread that does not own the window. A second call while WM_DESTROY
// is under way returns TRUE and does nothing more.
BOOL DestroyWindow(HWND window);

// The default handling: WM_CLOSE destroys the window; everything else answers 0.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first window of this process (in order of creation) whose class and title match; a null
// argument matches anything. Both compare without regard to case.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

BOOL IsWindow(HWND window);

// Only GWLP_USERDATA is kept; other indexes read 0 and are not written. Set returns the old value.
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

// Queues the message on the thread that owns the window; a null window means the calling thread.
// FALSE for a window that is gone or being destroyed.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// PostMessageW that keeps at most one waiting copy: when a message posted this way with the same
// window, number and wParam is still in the queue, nothing is added (TRUE). Periodic ticks use it
// so that a blocked loop finds one tick per timer, not a backlog.
BOOL PostMessageCoalescedW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the calling thread's next message, blocking until there is one. The window filter: null
// for all, HWND_THREAD_ONLY for messages to no window, else that window; the number filter applies
// unless both bounds are 0. Returns 0 for WM_QUIT (wParam holds the exit code), -1 when the
// filter window is not a window, else 1.
BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax);

// The same without blocking: FALSE when nothing matches. PM_NOREMOVE leaves the message queued.
BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);

// Nothing to translate yet (no keyboard input); returns FALSE.
BOOL TranslateMessage(const MSG* message);

// Calls the procedure of the message's window; 0 for thread messages and windows that are gone.
LRESULT DispatchMessageW(const MSG* message);

void PostQuitMessage(int exitCode);

// Calls the window's procedure directly. Only the owning thread may send; from any other thread,
// or to a handle that is not a window, nothing is called and the answer is 0.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks until the calling thread has a message waiting (WM_QUIT included) or `milliseconds` pass
// (INFINITE: no limit). TRUE when a message is waiting. Loops that also poll something else wait
// here between polls.
BOOL WaitMessageTimeout(DWORD milliseconds);

// How many messages wait in the calling thread's queue for this window (null: any, including
// thread messages) and number (0: any). Test tooling; the quit flag is not counted.
int CountQueuedMessages(HWND window, UINT message);
