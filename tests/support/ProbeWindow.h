// A window for tests whose procedure records every message it gets and may run a hook first; the
// hook's answer, when it gives one, is the procedure's answer. Everything else reaches
// DefWindowProcW.
#pragma once

#include <functional>
#include <vector>

#include "platform/windows/window.h"

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Probe {
    std::vector<Seen> seen;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> hook;
    void* createParam = nullptr;

    int Count(UINT message) const;
    // The messages seen with these numbers only, in order.
    std::vector<Seen> Only(std::initializer_list<UINT> messages) const;
};

LRESULT ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A probe window of the class "WindowTestProbe" at the rectangle, with the style.
HWND MakeProbe(Probe* probe, const wchar_t* title = L"probe", RECT rect = RECT{0, 0, 10, 10}, DWORD style = 0);

// Takes everything the calling thread has waiting (paints validated), dispatching nothing.
void Drain();
