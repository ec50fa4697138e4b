#include "platform/windows/imm.h"

#include <map>
#include <mutex>

#include "platform/windows/hangul.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "platform/windows/window_internal.h"

namespace {

struct Context {
    DWORD conversion = IME_CMODE_ALPHANUMERIC;
    DWORD sentence = 0;
    HangulComposer composer;
    bool preedit = false;  // a desktop input method's pre-edit is showing
    wchar_t preeditChar = 0;

    wchar_t Composing() const { return preedit ? preeditChar : composer.Composing(); }
    bool Native() const { return (conversion & IME_CMODE_NATIVE) != 0; }
};

struct Contexts {
    std::mutex lock;
    std::map<HWND, Context> byWindow;
};

// Never destroyed: input may arrive from another thread while the process ends.
Contexts& All() {
    static Contexts* contexts = new Contexts;
    return *contexts;
}

HWND WindowOf(HIMC context) { return reinterpret_cast<HWND>(context); }

bool IsLatinLetter(char32_t ch) { return (ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z'); }

// The messages that take a composition from showing `before` to showing `after`, with `committed`
// finished on the way (0 = nothing shown).
void Step(wchar_t before, const std::wstring& committed, wchar_t after, std::vector<InputMessage>& out) {
    if (before == 0 && (after != 0 || !committed.empty())) out.push_back({WM_IME_STARTCOMPOSITION, 0, 0});
    for (wchar_t ch : committed) out.push_back({WM_IME_COMPOSITION, static_cast<WPARAM>(ch), GCS_RESULTSTR});
    if (after != 0) {
        out.push_back({WM_IME_COMPOSITION, static_cast<WPARAM>(after), kCompositionUpdate});
    } else if (before != 0 && committed.empty()) {
        out.push_back({WM_IME_COMPOSITION, 0, kCompositionCleared});
    }
    if (after == 0 && (before != 0 || !committed.empty())) out.push_back({WM_IME_ENDCOMPOSITION, 0, 0});
}

void Feed(Context& context, char32_t latin, std::vector<InputMessage>& out) {
    const wchar_t before = context.Composing();
    std::wstring committed;
    context.composer.Feed(static_cast<wchar_t>(latin), committed);
    Step(before, committed, context.Composing(), out);
}

// Ends what is composed: our own syllable is finished; a desktop pre-edit is withdrawn (its input
// method commits the text itself, which then arrives as characters).
void Finish(Context& context, std::vector<InputMessage>& out) {
    const wchar_t before = context.Composing();
    if (before == 0) return;
    if (context.preedit) {
        context.preedit = false;
        Step(before, L"", 0, out);
        return;
    }
    Step(before, context.composer.Flush(), 0, out);
}

}  // namespace

HIMC ImmGetContext(HWND window) { return IsWindow(window) ? reinterpret_cast<HIMC>(window) : nullptr; }

BOOL ImmReleaseContext(HWND, HIMC) { return TRUE; }

BOOL ImmGetConversionStatus(HIMC context, DWORD* conversion, DWORD* sentence) {
    if (!IsWindow(WindowOf(context))) return FALSE;
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    const Context& found = all.byWindow[WindowOf(context)];
    if (conversion != nullptr) *conversion = found.conversion;
    if (sentence != nullptr) *sentence = found.sentence;
    return TRUE;
}

BOOL ImmSetConversionStatus(HIMC context, DWORD conversion, DWORD sentence) {
    HWND window = WindowOf(context);
    if (!IsWindow(window)) return FALSE;
    std::vector<InputMessage> out;
    {
        Contexts& all = All();
        std::lock_guard<std::mutex> guard(all.lock);
        Context& found = all.byWindow[window];
        found.conversion = conversion;
        found.sentence = sentence;
        if (!found.Native()) Finish(found, out);
    }
    if (!out.empty()) QueueInput(window, out);
    return TRUE;
}

BOOL ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD) {
    HWND window = WindowOf(context);
    if (!IsWindow(window) || action != NI_COMPOSITIONSTR || index != CPS_CANCEL) return FALSE;
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    Context& found = all.byWindow[window];
    found.composer.Flush();
    found.preedit = false;
    return TRUE;
}

bool ImeKeyDown(HWND window, UINT virtualKey, char32_t typed, bool textFollows, std::vector<InputMessage>& out) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    Context& context = all.byWindow[window];
    if (context.Native() && !context.preedit && !textFollows && IsLatinLetter(typed)) {
        Feed(context, typed, out);
        return true;
    }
    if (context.Composing() == 0) return false;
    if (IsModifier(virtualKey)) return false;  // a modifier on its own finishes nothing
    if (context.preedit) return false;      // the desktop input method handles its own keys
    if (textFollows && typed >= 0x20) return false;  // the text it types decides
    if (virtualKey == VK_BACK) {
        const wchar_t before = context.Composing();
        context.composer.Backspace();
        Step(before, L"", context.Composing(), out);
        return true;
    }
    Finish(context, out);
    return false;
}

void ImeText(HWND window, char32_t ch, std::vector<InputMessage>& out) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    Context& context = all.byWindow[window];
    if (context.preedit) {
        // A desktop input method commits what it showed: the first character is the result.
        context.preedit = false;
        if (ch <= 0xFFFF && IsTypedCharacter(ch)) {
            Step(context.preeditChar, std::wstring(1, static_cast<wchar_t>(ch)), 0, out);
            return;
        }
        Step(context.preeditChar, L"", 0, out);
    } else if (context.Native() && IsLatinLetter(ch)) {
        Feed(context, ch, out);
        return;
    } else {
        Finish(context, out);
    }
    if (IsTypedCharacter(ch)) AppendCharMessages(ch, 1, out);
}

void ImePreedit(HWND window, const std::u32string& text, std::vector<InputMessage>& out) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    Context& context = all.byWindow[window];
    if (!context.preedit) Finish(context, out);
    // Only one character can be shown as composing; a character beyond 16 bits cannot be.
    const char32_t last = text.empty() ? 0 : text.back();
    if (last == 0 || last > 0xFFFF || !IsTypedCharacter(last)) {
        Finish(context, out);
        return;
    }
    const wchar_t before = context.Composing();
    context.preedit = true;
    context.preeditChar = static_cast<wchar_t>(last);
    if (before != context.preeditChar) Step(before, L"", context.preeditChar, out);
}

void ImeFinish(HWND window, std::vector<InputMessage>& out) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    auto it = all.byWindow.find(window);
    if (it != all.byWindow.end()) Finish(it->second, out);
}

void ImeToggle(HWND window, std::vector<InputMessage>& out) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    Context& context = all.byWindow[window];
    context.conversion ^= IME_CMODE_NATIVE;
    if (!context.Native()) Finish(context, out);
}

void ImeForget(HWND window) {
    Contexts& all = All();
    std::lock_guard<std::mutex> guard(all.lock);
    all.byWindow.erase(window);
}
