// Threads as kernel objects: a handle that can be waited for and closed, and thread ids that are
// never reused during a run.
#pragma once

#include "platform/win_types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Starts `start(parameter)` on a new thread. Security attributes are ignored; a stack size of 0 is
// the default; no creation flag is supported (suspended creation fails). Writes the new thread's
// id when `threadId` is not null. Null on failure.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, DWORD* threadId);

// Waits until the thread has returned from its start routine, at most `milliseconds` (INFINITE:
// no limit). WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED for a handle that is not open.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Closes the handle; the thread itself runs on. FALSE for a handle that is not open.
BOOL CloseHandle(HANDLE handle);

// The calling thread's id: non-zero, and never given to another thread during the run.
DWORD GetCurrentThreadId();

// Test tooling: the next `count` calls of CreateThread fail as if the system had no thread left.
void FailNextCreateThreads(int count);
