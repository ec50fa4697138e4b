#include "framework/ui/QePopup.h"

#include "framework/base/QeTrace.h"
#include "framework/ui/QeApplication.h"
#include "framework/ui/QeMainWindow.h"
#include "framework/ui/QePopupHolder.h"

namespace {

QeWindow* Root() {
    QeApplicationBase* application = QeApplicationBase::Instance();
    return application != nullptr ? &application->Root() : nullptr;
}

void CloseWithResult(QePopup* popup, int result) { popup->Close(result); }

}  // namespace

QePopup::QePopup() { SetOwnDC(true); }

QePopup::~QePopup() {
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->popup == this) holder->popup = nullptr;
}

QePopup* QePopup::Current() {
    QePopupHolder* holder = QePopupHolder::Instance();
    return holder != nullptr ? holder->popup : nullptr;
}

int QePopup::Popup(const SIZE& size, Callback callback, void* context) {
    m_callback = callback;
    m_context = context;
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder == nullptr) return 0;
    holder->SetCloser(&CloseWithResult);
    if (QePopup* previous = holder->popup; previous != nullptr && previous != this) {
        previous->Close(0);
        QeTrace(L"[QE+] QePopup::Popup, Previous popup instance has been closed.\n");
        QeTrace(L"[QE+] QePopup::Popup, Note that popup can have only an instance at a time.\n");
    }
    holder->popup = this;
    SetFocus(true);
    QeWindow* root = Root();
    if (root != nullptr) root->AddChild(this);
    SetVisible(true);
    const int left = root != nullptr ? (root->Width() - size.cx) / 2 : 0;
    const int top = root != nullptr ? (root->Height() - size.cy) / 2 : 0;
    SetRect(RECT{left, top, left + size.cx, top + size.cy});
    if (root != nullptr) root->Invalidate(RECT{0, 0, 0, 0}, true);
    return 1;
}

void QePopup::Close(int result) {
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->popup == this) holder->popup = nullptr;
    if (Parent() != nullptr) Parent()->RemoveChild(this);
    SetVisible(false);
    if (QeWindow* root = Root()) root->Invalidate(RECT{0, 0, 0, 0}, true);
    if (m_callback != nullptr) m_callback(m_context, this, result);
    delete this;
}

int QePopup::Draw(QeSurface*, const RECT&) {
    if (QeMainWindow* main = QeMainWindow::Instance()) main->AddDirtyRect(GetScreenRect());
    return 1;
}
