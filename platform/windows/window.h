// Windows and messages: window classes, windows with their procedures, and one message queue per
// thread. This is the program's only message loop machinery; painting, input and the on-screen
// window build on the same window table and queues.
//
// Rules that callers may rely on:
// - A window belongs to the thread that created it; its procedure runs only on that thread, from
//   DispatchMessageW, SendMessageW or the window calls themselves (WM_CREATE, WM_SIZE, WM_ACTIVATE,
//   WM_DESTROY).
// - PostMessageW is safe from any thread. Messages from one thread arrive in the order posted.
// - Window handles are never reused during a run, so a message meant for a window that is gone can
//   never reach a newer one. Posting to a dead window fails; messages still queued for a window
//   are dropped when it is destroyed.
// - A window may be destroyed from inside its own procedure.
// - Get/PeekMessageW take, in this order: posted messages, then input (pen, keys, characters,
//   input-method messages; see platform/windows/input.h), then WM_QUIT, then WM_PAINT for a visible window
//   whose update region is not empty. A message posted behind input waits for the input queued
//   before it. Painting never starves: a paint that became due before a
//   posted or input message was queued is taken before that message, so a loop whose timer ticks
//   keep the posted queue full still paints. Input and invalidation wake a blocked GetMessageW.
// - PostQuitMessage sets a flag: WM_QUIT is taken once no other posted or input message is
//   waiting, and Get/PeekMessageW take it whatever their filters.
// - Each window keeps an update region: InvalidateRect adds to it (clipped to the client area),
//   ValidateRect and BeginPaint take from it. WM_PAINT keeps coming while it is not empty;
//   DefWindowProcW(WM_PAINT) validates.
// - Each window draws into its framebuffer, a device-format bitmap of its client size
//   (platform/graphics/gdi.h) that keeps every pixel until it is drawn over; a resize keeps what still
//   fits. BeginPaint answers a paint DC on it clipped to the update region, with rcPaint the
//   region's bounding box, and validates; EndPaint hands the painted area to the presenter
//   (platform/screen/presenter.h). GetDC of a window answers a DC on the whole framebuffer, presented when
//   it is released.
// - WM_SIZE with the client size is sent once the window is created (after WM_CREATE) and
//   afterwards only when the size really changes. The first ShowWindow that shows a window
//   invalidates it whole and sends WM_ACTIVATE (WA_ACTIVE); it is posted again whenever the window
//   is raised (SetForegroundWindow, here or from another process) or the desktop gives the
//   on-screen window the focus.
// - A top-level pop-up or captioned window with a title is known to the other processes of the same
//   user: their FindWindowW finds it, and SetForegroundWindow on the handle they get raises it in
//   this process (see platform/windows/instance.cpp).
#pragma once

#include "platform/graphics/gdi.h"
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

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;  // the background was not erased: the window must cover the area itself
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
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
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
inline constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E;
inline constexpr UINT WM_IME_COMPOSITION = 0x010F;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_USER = 0x0400;

// WM_ACTIVATE's wParam, WM_SIZE's wParam, the pen messages' wParam.
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;
inline constexpr WPARAM WA_CLICKACTIVE = 2;
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM MK_LBUTTON = 0x0001;

inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// A resource number in place of a name.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) { return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id)); }
inline constexpr WORD IDC_ARROW_ID = 32512;
inline const LPCWSTR IDC_ARROW = MAKEINTRESOURCEW(IDC_ARROW_ID);

// Two 16-bit halves in one parameter; the pen messages carry signed coordinates this way.
inline constexpr LPARAM MAKELPARAM(int low, int high) {
    return static_cast<LPARAM>(static_cast<DWORD>((static_cast<DWORD>(low) & 0xFFFF) |
                                                  ((static_cast<DWORD>(high) & 0xFFFF) << 16)));
}
inline constexpr int GET_X_LPARAM(LPARAM lParam) { return static_cast<std::int16_t>(lParam & 0xFFFF); }
inline constexpr int GET_Y_LPARAM(LPARAM lParam) { return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF); }

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
// Forgets the class, so that the name can be registered again; FALSE while a window of the class
// exists and for a name that is not registered. The instance is ignored.
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);

// Creates the window on the calling thread and sends WM_CREATE (lParam: CREATESTRUCTW*); when the
// procedure answers -1 the window is destroyed again and the result is null. Null also for an
// unknown class or a parent that is not a window.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);

// Sends WM_DESTROY, then removes the window and drops its queued messages. FALSE for a handle that
// is not a window and from a thread that does not own the window. A second call while WM_DESTROY
// is under way returns TRUE and does nothing more.
BOOL DestroyWindow(HWND window);

// The default handling: WM_CLOSE destroys the window; WM_PAINT validates the update region (through
// BeginPaint and EndPaint); WM_ERASEBKGND fills the DC's area with the class's background brush
// and answers 1 (0 without a brush); everything else answers 0.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first window of this process (in order of creation) whose class and title match; a null
// argument matches anything. Both compare without regard to case. When this process has none, a
// window that another process of the same user announced (see the rules above); its handle serves
// SetForegroundWindow and IsWindow only.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

// Brings the window to the front: in this process the presenter raises it and the window is
// posted WM_ACTIVATE (WA_ACTIVE); a window of another process is raised by that process. The handle may carry its low bit set, as callers pass it.
// FALSE when the handle names no window (or the other process no longer answers).
BOOL SetForegroundWindow(HWND window);

// SW_SHOWNORMAL / SW_SHOW show the window, SW_HIDE hides it. Only the owning thread may call it.
// Answers whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);

// Moves and sizes the window; a change of size sends WM_SIZE and keeps the framebuffer's pixels
// that still fit. With `repaint` the whole client area is invalidated. Owning thread only.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);

// The client area: {0, 0, width, height}; and the window's place on the screen.
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);

// The system's arrow cursor for a null instance and IDC_ARROW; null for anything else. There is
// no cursor to draw: the handle only has to be there.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);

// Adds the rectangle (null: the whole client area), clipped to the client area, to the update
// region; with `erase` the next BeginPaint reports fErase. FALSE for a handle that is not a window.
// Safe from any thread.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
// Takes the rectangle (null: everything) out of the update region.
BOOL ValidateRect(HWND window, const RECT* rect);
// The bounding box of the update region; TRUE when it is not empty.
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
// Sends WM_PAINT at once when the window is visible and its update region is not empty.
BOOL UpdateWindow(HWND window);

// Owning thread only. Null when the window is gone or its framebuffer cannot be made. With an
// erase pending, WM_ERASEBKGND (wParam: the DC) goes to the window first; DefWindowProcW answers it
// by filling the area with the class's background brush.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// Pen messages go to the capturing window, whatever window they happen over, with coordinates in
// its client area (which may lie outside it). SetCapture answers the previous capturing window.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

// How many times SetForegroundWindow raised this window. Test tooling.
int WindowRaiseCount(HWND window);

BOOL IsWindow(HWND window);

// Copies the title (cut to fit, always terminated); answers its length. 0 for no window.
int GetWindowTextW(HWND window, LPWSTR text, int capacity);

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

// PostMessageW for the next piece of long work: input queued before it is taken first, as a paint
// that fell due before it is, so the user is heard between the pieces.
BOOL PostMessageBehindInputW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the calling thread's next message, blocking until there is one. The window filter: null
// for all, HWND_THREAD_ONLY for messages to no window, else that window; the number filter applies
// unless both bounds are 0. Returns 0 for WM_QUIT (wParam holds the exit code), -1 when the
// filter window is not a window, else 1.
BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax);

// The same without blocking: FALSE when nothing matches. PM_NOREMOVE leaves the message queued.
BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);

// For WM_KEYDOWN, posts the character the key typed as WM_CHAR: printable characters and
// Backspace (8), Tab (9), Enter (13) and Escape (27) only; a key pressed with Control or Alt types
// nothing; a character outside the 16-bit range comes as two WM_CHARs, a surrogate pair. A key
// taken by the input method (VK_PROCESSKEY) types nothing. TRUE for key messages, else FALSE.
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

// How many posted and input messages wait in the calling thread's queue for this window (null: any,
// including thread messages) and number (0: any). Test tooling; the quit flag and pending paints
// are not counted.
int CountQueuedMessages(HWND window, UINT message);
