// The base of an object that owns one thread running its own Run. Start and Join belong to the
// owner's thread; only Run runs on the new thread. A derived class must make Run return before
// the base destructor joins, since Join waits without limit.
#pragma once

#include "platform/win_types.h"

class QeThread {
public:
    QeThread() = default;
    virtual ~QeThread();  // Join
    QeThread(const QeThread&) = delete;
    QeThread& operator=(const QeThread&) = delete;

    // The thread's body; its return value is not used.
    virtual DWORD Run() = 0;

    // Starts the thread. False when no thread could be made, and also while a thread is already
    // running (its handle is kept, so it can still be joined).
    bool Start();

    // Waits for the thread to end and forgets it; harmless when none runs. Always true.
    bool Join();

    HANDLE thread = nullptr;  // null when no thread exists
    DWORD threadId = 0;       // 0 when none
    LONG running = 0;         // 1 from a successful Start until Join

private:
    static DWORD Entry(LPVOID self);
};
