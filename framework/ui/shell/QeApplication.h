// The application object's base: it holds the root of the view tree and the off-screen frame, and
// runs the program's life on its main window: create, initialise, show, loop, exit.
#pragma once

#include <string>

#include "framework/base/QeSingleton.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/view/QeWindow.h"

// The off-screen frame the paint path composes through while a popup is open (or when forced).
struct QeFrameSurface {
    // Composition always goes through the frame while set; nothing in the program sets it.
    bool forceFrame = false;
    // A memory DC with a bitmap of the root's size, made when first needed.
    QeSurface dc;
};

class QeApplicationBase;

// The root window: every QeWindow default, except that the parent size goes to the application and
// drawing draws nothing.
class QeRootWindow : public QeWindow {
public:
    explicit QeRootWindow(QeApplicationBase& application) : m_application(application) {}
    int OnParentSize(int width, int height) override;
    int Draw(QeSurface*, const RECT&) override { return 1; }

private:
    QeApplicationBase& m_application;
};

class QeApplicationBase : public QeSingleton<QeApplicationBase> {
public:
    QeApplicationBase();
    ~QeApplicationBase() override;  // releases the frame's DC; the root goes with the object

    virtual bool OnInit() { return true; }
    virtual void OnExit() {}

    // The main window, the root at the rectangle, OnInit, then the window shown; false at the first
    // step that fails (the window may then exist, and OnInit may not have run).
    bool Create(const std::wstring& title, const RECT& rect);
    // Gives the root its own drawing surface, makes it visible at the rectangle; 1.
    int ShowRoot(const RECT& rect);
    // The message loop until WM_QUIT, then the run-later tasks dropped, then Exit; 1.
    int Run();
    // Closes an open popup with result 0, then OnExit.
    void Exit();
    // The root's parent size: a new size unloads every pooled surface and resizes the root; 1.
    int OnSize(int width, int height);

    QeWindow& Root() { return m_root; }
    QeFrameSurface& Frame() { return m_frame; }

private:
    QeRootWindow m_root;
    QeFrameSurface m_frame;
};
