// Which popup is open, and the window of the open popup or menu that hides what lies beneath it.
#pragma once

#include "framework/base/QeSingleton.h"

class QePopup;
class QeWindow;

class QePopupHolder : public QeSingleton<QePopupHolder> {
public:
    // How an open popup is closed with a result; the popup's own code installs it.
    using Closer = void (*)(QePopup* popup, int result);

    // Closes the open popup with the result, when one is open.
    void CloseOpen(int result);
    void SetCloser(Closer closer) { m_closer = closer; }

    QePopup* popup = nullptr;
    QeWindow* cover = nullptr;
    // The view beneath that gets the focus when the open popup closes.
    QeWindow* focusAfter = nullptr;

private:
    Closer m_closer = nullptr;
};

// The framework's start and stop steps for the holder; the start always succeeds.
bool QePopupHolderStart();
void QePopupHolderStop();
