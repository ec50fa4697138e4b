#include "framework/base/QeThread.h"

#include "platform/system/thread.h"

QeThread::~QeThread() { Join(); }

DWORD QeThread::Entry(LPVOID self) {
    static_cast<QeThread*>(self)->Run();
    return 0;
}

bool QeThread::Start() {
    // A second thread would lose the first one's handle, and nothing could wait for it any more.
    if (thread != nullptr) return false;
    DWORD id = 0;
    thread = CreateThread(nullptr, 0, &QeThread::Entry, this, 0, &id);
    if (thread == nullptr) return false;
    threadId = id;
    running = 1;
    return true;
}

bool QeThread::Join() {
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    threadId = 0;
    running = 0;
    return true;
}
