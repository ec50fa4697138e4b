#include "framework/ui/view/QePopupHolder.h"

namespace {
QePopupHolder* g_holder = nullptr;
}

void QePopupHolder::CloseOpen(int result) {
    if (popup != nullptr && m_closer != nullptr) m_closer(popup, result);
}

bool QePopupHolderStart() {
    // Starting again replaces the holder (the singleton traces that).
    QePopupHolder* holder = new QePopupHolder;
    delete g_holder;
    g_holder = holder;
    return true;
}

void QePopupHolderStop() {
    delete g_holder;
    g_holder = nullptr;
}
