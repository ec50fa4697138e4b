#include "framework/ui/view/QePopup.h"

#include "framework/base/QeTrace.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/view/QePopupHolder.h"
#include "platform/windows/input.h"

namespace {

QeWindow* Root() {
    QeApplicationBase* application = QeApplicationBase::Instance();
    return application != nullptr ? &application->Root() : nullptr;
}

// On screen: in the root's tree with every window on the way visible.
bool Shown(const QeWindow* view) {
    const QeWindow* w = view;
    for (; w->Parent() != nullptr; w = w->Parent()) {
        if (!w->IsVisible()) return false;
    }
    return w == Root();
}

void CloseWithResult(QePopup* popup, int result) { popup->Close(result); }

void RepaintRoot() {
    if (QeWindow* root = Root()) root->Invalidate(RECT{0, 0, 0, 0}, true);
}

int ImageHeight(QeImageView& view) {
    const RECT& source = view.Image().Descriptor().source;
    return source.bottom - source.top;
}

}  // namespace

QePopup::QePopup() {
    SetOwnDC(true);
    for (QeImageView* frame : {&m_top, &m_middle, &m_bottom}) {
        AddChild(frame);
        frame->SetVisible(true);
    }
}

QePopup::~QePopup() {
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->popup == this) holder->popup = nullptr;
}

QePopup* QePopup::Current() {
    QePopupHolder* holder = QePopupHolder::Instance();
    return holder != nullptr ? holder->popup : nullptr;
}

int QePopup::Popup(const SIZE& size, Callback callback, void* context) {
    if (m_closed) return 0;
    m_callback = callback;
    m_context = context;
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder == nullptr) return 0;
    holder->SetCloser(&CloseWithResult);
    if (holder->popup != this) {
        // A closed popup's callback may have opened another one: that one goes too.
        for (QePopup* previous; (previous = holder->popup) != nullptr && previous != this;) {
            previous->Close(0);
            QeTrace(L"[QE+] QePopup::Popup, Previous popup instance has been closed.\n");
            QeTrace(L"[QE+] QePopup::Popup, Note that popup can have only an instance at a time.\n");
        }
        holder->focusAfter = QeGetFocusWindow();
        holder->popup = this;
        SetFocus(true);
        if (QeWindow* root = Root()) root->AddChild(this);
        SetVisible(true);
    }
    QeWindow* root = Root();
    const int left = root != nullptr ? (root->Width() - size.cx) / 2 : 0;
    const int top = root != nullptr ? (root->Height() - size.cy) / 2 : 0;
    SetRect(RECT{left, top, left + size.cx, top + size.cy});
    RepaintRoot();
    return 1;
}

void QePopup::Close(int result) {
    if (m_closed) return;
    m_closed = true;
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->popup == this) holder->popup = nullptr;
    if (Parent() != nullptr) Parent()->RemoveChild(this);
    SetVisible(false);
    RepaintRoot();
    Retire();
    // The view beneath gets the focus back first: the callback may give it elsewhere, or open the
    // next popup, under which it waits again.
    QeWindow* back = holder != nullptr ? holder->focusAfter : nullptr;
    if (holder != nullptr) holder->focusAfter = nullptr;
    if (back != nullptr && Shown(back)) back->SetFocus(true);
    if (m_callback != nullptr) m_callback(m_context, this, result);
    QeDeleteAfterDispatch(this);
}

void QePopup::OnRectChanged(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int top = ImageHeight(m_top);
    const int bottom = ImageHeight(m_bottom);
    if (top > 0) {
        m_top.SetRect(RECT{0, 0, width, top});
        m_top.SetVisible(true);
    }
    if (bottom > 0) {
        m_bottom.SetRect(RECT{0, height - bottom, width, height});
        m_bottom.SetVisible(true);
    }
    if (height - bottom - top > 0) {
        m_middle.SetRect(RECT{0, top, width, height - bottom});
        m_middle.SetVisible(true);
    }
}

int QePopup::OnKeyDown(WPARAM key, LPARAM) {
    QeWindow* button = key == VK_RETURN ? DefaultButton() : key == VK_ESCAPE ? CancelButton() : nullptr;
    if (button != nullptr && button->IsVisible() && !button->IsDisabled()) {
        OnNotify(button, kNotifyClick);
    } else if (key == VK_ESCAPE && closeOnOutside != 0) {
        Close(0);
    }
    return 1;
}

int QePopup::Draw(QeSurface*, const RECT&) {
    if (QeMainWindow* main = QeMainWindow::Instance()) main->AddDirtyRect(GetScreenRect());
    return 1;
}
