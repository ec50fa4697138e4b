// What the window, input-method and instance files of platform/windows/ share. Nothing outside
// platform/windows/ includes this.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

// One message for the input queue, with the character a key message types (0: none).
struct InputMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    char32_t typed = 0;
};

// Appends the messages, in order, to the input queue of the window's thread. FALSE when the window
// is gone.
bool QueueInput(HWND window, const std::vector<InputMessage>& messages);

// Whether a character is one that a key may type into the program (printable, or 8, 9, 13, 27).
bool IsTypedCharacter(char32_t ch);
// Whether the key is one whose state the stand-in keeps (Shift, Control, Alt, Caps Lock); right
// Alt is not: it switches the input method.
bool IsModifier(UINT key);
// Appends WM_CHAR for the character, as two messages for one outside 16 bits.
void AppendCharMessages(char32_t ch, LPARAM lParam, std::vector<InputMessage>& out);

// ---- the input method (imm.cpp); never called with the window table's lock held

// A key going down. `typed` is the character it types (0 when none, or when Control or Alt is
// held); with `textFollows` a printable character comes later as text. Appends what must reach
// the window before (or instead of) the key; true when the input method took the key, which then
// arrives as VK_PROCESSKEY.
bool ImeKeyDown(HWND window, UINT virtualKey, char32_t typed, bool textFollows, std::vector<InputMessage>& out);
// A typed character without a key.
void ImeText(HWND window, char32_t ch, std::vector<InputMessage>& out);
// A desktop input method's pre-edit (empty: cancelled).
void ImePreedit(HWND window, const std::u32string& text, std::vector<InputMessage>& out);
// Finishes any composition (the pen went down).
void ImeFinish(HWND window, std::vector<InputMessage>& out);
// Switches between native and Latin input.
void ImeToggle(HWND window, std::vector<InputMessage>& out);
// The window is gone.
void ImeForget(HWND window);

// ---- windows known to other processes (instance.cpp); never called with the lock held

// Announces the window under its class and title; false when another live process announced the
// same pair first (the window still exists here, only unannounced).
bool AnnounceWindow(HWND window, const std::wstring& className, const std::wstring& title);
void WithdrawWindow(HWND window);
// A window another process announced, as a local stand-in handle, or null.
HWND FindAnnouncedWindow(const wchar_t* className, const wchar_t* title);
// Asks the other process to raise its window; false when the handle is not one of those windows
// or the process does not answer.
bool RaiseAnnouncedWindow(HWND window);
// Whether the handle stands for another process's window that is still there.
bool IsAnnouncedWindowAlive(HWND window);
// Takes a fresh handle value from the window table (never reused, never a local window's).
HWND NewWindowHandle();
// Raises a window of this process as SetForegroundWindow does; callable from any thread.
bool RaiseLocalWindow(HWND window);
