// The framework started with an application whose main window has a client area of a given size,
// for tests that draw through the real loop into the headless framebuffer; everything stopped
// again at the end, in order, with the queue left empty.
//
//   void SetUp() override { ASSERT_TRUE(m_rig.Start(L"Gallery", 240, 320)); ... }
//   void TearDown() override { m_rig.Stop(); }
#pragma once

#include <memory>
#include <string>

#include "framework/ui/shell/QeApplication.h"
#include "platform/win_types.h"

class AppRig {
public:
    AppRig() = default;
    ~AppRig() { Stop(); }
    AppRig(const AppRig&) = delete;
    AppRig& operator=(const AppRig&) = delete;

    // The framework, the application and its window (titled `name` and a number of its own, so
    // that no two windows of a run meet the single-instance rule), the root at the client size.
    bool Start(const std::wstring& name, int width, int height);
    // Closes an open popup, drops running transitions, deletes the application and stops the
    // framework; the windows of the tree must be out of it or gone by then. Once.
    void Stop();

    QeApplicationBase& App() { return *m_app; }
    QeWindow& Root() { return m_app->Root(); }
    HWND Window() const { return m_window; }

private:
    std::unique_ptr<QeApplicationBase> m_app;
    HWND m_window = nullptr;
    bool m_started = false;
};
