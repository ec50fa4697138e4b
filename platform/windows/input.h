// Input: what the user does with pen and keys, turned into the window messages of a handheld.
// Presenters (the SDL window, the headless one) and tests hand the user's actions in here.
//
// Rules that callers may rely on:
// - Input goes into the owning thread's input queue in the order it was given, behind posted
//   messages (see platform/windows/window.h) and ahead of WM_QUIT and WM_PAINT. Injecting is safe from any
//   thread and wakes a blocked GetMessageW.
// - Pen coordinates are client coordinates of the window the pen is over. While a window has the
//   capture (SetCapture) every pen message goes to it, converted to its client area and possibly
//   outside it; without capture a pen message outside the window's client area goes nowhere.
//   Coordinates travel as signed 16 bits (clamped to -32768..32767); wParam is MK_LBUTTON while
//   the pen is down.
// - Keys are virtual-key codes with a US layout: the stand-in keeps the state of Shift, Control,
//   Alt and Caps Lock from the keys it is given and works out the character each key types, which
//   TranslateMessage then posts as WM_CHAR (see its rules).
// - The input method (platform/windows/imm.h): while a window's conversion is native, the letters a key
//   or a text types compose Hangul (platform/windows/hangul.h); such a key arrives as WM_KEYDOWN with
//   VK_PROCESSKEY followed by the input-method messages. Backspace takes back the last key of the
//   composition. Any other key, and a pen going down, first finishes the composition. The Hangul
//   key and Shift+Space switch the conversion between native and Latin and arrive as nothing else;
//   so does right Alt, on its release, when no other key went down while it was held (with one,
//   it is the desktop's AltGr and only types). The desktop's text for a keystroke taken as the
//   switch (the space of Shift+Space) is dropped.
// - A desktop input method's pre-edit and committed text map onto the same messages.
#pragma once

#include <string>

#include "platform/win_types.h"

inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_CAPITAL = 0x14;
inline constexpr UINT VK_HANGUL = 0x15;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_LSHIFT = 0xA0;
inline constexpr UINT VK_RSHIFT = 0xA1;
inline constexpr UINT VK_LCONTROL = 0xA2;
inline constexpr UINT VK_RCONTROL = 0xA3;
inline constexpr UINT VK_LMENU = 0xA4;
inline constexpr UINT VK_RMENU = 0xA5;
inline constexpr UINT VK_OEM_1 = 0xBA;       // ; :
inline constexpr UINT VK_OEM_PLUS = 0xBB;    // = +
inline constexpr UINT VK_OEM_COMMA = 0xBC;   // , <
inline constexpr UINT VK_OEM_MINUS = 0xBD;   // - _
inline constexpr UINT VK_OEM_PERIOD = 0xBE;  // . >
inline constexpr UINT VK_OEM_2 = 0xBF;       // / ?
inline constexpr UINT VK_OEM_3 = 0xC0;       // ` ~
inline constexpr UINT VK_OEM_4 = 0xDB;       // [ {
inline constexpr UINT VK_OEM_5 = 0xDC;       // \ |
inline constexpr UINT VK_OEM_6 = 0xDD;       // ] }
inline constexpr UINT VK_OEM_7 = 0xDE;       // ' "
inline constexpr UINT VK_PROCESSKEY = 0xE5;
// Letters and digits are their capital ASCII codes ('A', '7').

// The pen over `window`: WM_LBUTTONDOWN, WM_MOUSEMOVE or WM_LBUTTONUP at client (x, y). FALSE when
// the message went nowhere (no such window, outside it without capture, another message number).
BOOL InjectPen(HWND window, UINT message, int x, int y);

// A key going down (`down`) or up while `window` has the keyboard. With `textFollows` the key's
// printable character is not worked out here: the presenter hands it in with InjectText (a desktop
// keyboard layout or input method decides it). FALSE when the window is gone.
BOOL InjectKey(HWND window, UINT virtualKey, bool down, bool textFollows = false);

// Text typed into `window` without keys: each character arrives as WM_CHAR (two for one outside
// 16 bits), letters compose Hangul while the conversion is native; characters that no key types
// (controls other than 8, 9, 13, 27) are dropped.
BOOL InjectText(HWND window, const std::u32string& text);

// A desktop input method's pre-edit: non-empty text starts or updates a composition with its last
// character; empty text ends it without a result. The committed text then comes with InjectText.
BOOL InjectPreedit(HWND window, const std::u32string& text);

// Posts WM_CLOSE, as closing the on-screen window does.
BOOL InjectClose(HWND window);

// Convenience for tests and tools: a key pressed and released, and a click (down and up) at one
// point.
BOOL InjectKeyPress(HWND window, UINT virtualKey);
BOOL InjectClick(HWND window, int x, int y);

// Forgets every key held (Shift, Control, Alt) and Caps Lock; test tooling between cases.
void ResetKeyboardState();
