// Input: what the pen and the keys do, turned into window messages, with the pen's capture and
// the keys held.
//
// Rules its callers may rely on (beside those of window.h and input.h):
// - Injection is safe from any thread; the messages go to the input queue of the window's thread.
// - While a window has the capture, pen messages go to it in its own coordinates; without one, a
//   pen outside the window is dropped (a lost release still lifts the pen).
// - The Hangul key, right Alt and Shift+Space switch the input method and never arrive as keys;
//   their release is swallowed too.
// - TranslateMessage types the character of the key message taken last on this thread; a key
//   message made up by the program is read on an unshifted US layout.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "platform/windows/window_internal.h"
#include "platform/windows/window_table_internal.h"

using namespace window_table;

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
        if (key == VK_RMENU) {
            // Never a key of its own: it switches on release when it typed nothing.
            toggle = !down && keys.rightAltAlone;
            keys.rightAltAlone = down && (!repeat || keys.rightAltAlone);
            if (!toggle) return TRUE;
        } else if (down) {
            keys.rightAltAlone = false;
        }
        if (!down && keys.swallowed.erase(key) != 0) return TRUE;
        if (!keys.control && !keys.alt) typed = LayoutCharacter(key, keys.shift, keys.capsLock);
        if (down) {
            toggle = key == VK_HANGUL || (key == VK_SPACE && keys.shift && !keys.control && !keys.alt);
            keys.switchText = toggle && textFollows && IsTypedCharacter(typed) ? typed : 0;
        }
        if (toggle && key != VK_RMENU) keys.swallowed.insert(key);
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
    {
        WindowSystem& system = System();
        std::lock_guard<std::mutex> guard(system.lock);
        KeyboardState& keys = system.keyboard;
        const bool forTheSwitch = keys.switchText != 0 && text == std::u32string(1, keys.switchText);
        keys.switchText = 0;
        if (forTheSwitch) return TRUE;
    }
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
