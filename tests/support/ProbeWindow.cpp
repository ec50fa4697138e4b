#include "tests/support/ProbeWindow.h"

#include <gtest/gtest.h>

int Probe::Count(UINT message) const {
    int n = 0;
    for (const Seen& s : seen) n += s.message == message ? 1 : 0;
    return n;
}

std::vector<Seen> Probe::Only(std::initializer_list<UINT> messages) const {
    std::vector<Seen> out;
    for (const Seen& s : seen) {
        for (UINT message : messages) {
            if (s.message == message) out.push_back(s);
        }
    }
    return out;
}

LRESULT ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* probe = static_cast<Probe*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(probe));
        probe->createParam = create->lpCreateParams;
    }
    auto* probe = reinterpret_cast<Probe*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (probe == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    probe->seen.push_back(Seen{message, wParam, lParam});
    LRESULT answer = 0;
    if (probe->hook && probe->hook(window, message, wParam, lParam, &answer)) return answer;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeProbe(Probe* probe, const wchar_t* title, RECT rect, DWORD style) {
    static bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ProbeProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"WindowTestProbe";
        return RegisterClassW(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"WindowTestProbe", title, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), probe);
}

void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_PAINT) ValidateRect(msg.hwnd, nullptr);
    }
}
