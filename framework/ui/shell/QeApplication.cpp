#include "framework/ui/shell/QeApplication.h"

#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/view/QePopupHolder.h"

int QeRootWindow::OnParentSize(int width, int height) { return m_application.OnSize(width, height); }

QeApplicationBase::QeApplicationBase() : m_root(*this) {}

QeApplicationBase::~QeApplicationBase() { m_frame.dc.Release(); }

bool QeApplicationBase::Create(const std::wstring& title, const RECT& rect) {
    QeMainWindow* main = QeMainWindow::Instance();
    if (main == nullptr || !main->Create(title, rect)) return false;
    if (!ShowRoot(rect)) return false;
    if (!OnInit()) return false;
    return main->Show() != 0;
}

int QeApplicationBase::ShowRoot(const RECT& rect) {
    m_root.SetOwnDC(true);
    m_root.SetVisible(true);
    m_root.SetRect(rect);
    return 1;
}

int QeApplicationBase::Run() {
    QeMessageLoop();
    // What was to run after a message that will never come is not run at all.
    QeDropRunLater();
    Exit();
    return 1;
}

void QeApplicationBase::Exit() {
    if (QePopupHolder* holder = QePopupHolder::Instance()) holder->CloseOpen(0);
    OnExit();
}

int QeApplicationBase::OnSize(int width, int height) {
    if (m_root.Width() != width || m_root.Height() != height) {
        // Every pooled surface was made for the old size. Windows see the pool's generation move
        // and stop preferring the surfaces they kept; those a transition pins stay until it ends.
        if (QeSurfacePool* surfaces = QeSurfacePool::Instance()) surfaces->UnloadAll();
        m_root.SetSize(width, height);
    }
    return 1;
}
