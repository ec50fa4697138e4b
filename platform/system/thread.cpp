#include "platform/system/thread.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

namespace {

// A waitable object. Only threads exist so far; an event would be another kind of the same record.
struct KernelObject {
    std::mutex lock;
    std::condition_variable signalledChanged;
    bool signalled = false;
};

struct HandleTable {
    std::mutex lock;
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t nextHandle = 0x4000;
};

// Never destroyed: threads still running at exit may touch it.
HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

std::atomic<DWORD> g_nextThreadId{1};
std::atomic<int> g_failCreates{0};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId() {
    DWORD id = g_nextThreadId.fetch_add(1);
    if (id == 0) id = g_nextThreadId.fetch_add(1);
    return id;
}

std::shared_ptr<KernelObject> Find(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.objects.end()) return nullptr;
    return it->second;
}

struct ThreadStart {
    std::shared_ptr<KernelObject> object;
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
    DWORD id;
};

void* ThreadEntry(void* argument) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    t_threadId = start->id;
    // Told apart from the user-interface thread when a thread's CPU is read from the kernel.
    pthread_setname_np(pthread_self(), "tevrik-worker");
    start->start(start->parameter);
    std::lock_guard<std::mutex> guard(start->object->lock);
    start->object->signalled = true;
    start->object->signalledChanged.notify_all();
    return nullptr;
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, DWORD* threadId) {
    if (start == nullptr || flags != 0) return nullptr;
    int failures = g_failCreates.load();
    while (failures > 0) {
        if (g_failCreates.compare_exchange_weak(failures, failures - 1)) return nullptr;
    }

    auto object = std::make_shared<KernelObject>();
    auto* startInfo = new ThreadStart{object, start, parameter, NewThreadId()};
    DWORD id = startInfo->id;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        const SIZE_T smallest = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attributes, stackSize < smallest ? smallest : stackSize);
    }
    pthread_t thread;
    int result = pthread_create(&thread, &attributes, &ThreadEntry, startInfo);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        delete startInfo;
        return nullptr;
    }

    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    std::uintptr_t handle = table.nextHandle;
    table.nextHandle += 4;
    table.objects.emplace(handle, std::move(object));
    if (threadId != nullptr) *threadId = id;
    return reinterpret_cast<HANDLE>(handle);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<KernelObject> object = Find(handle);
    if (!object) return WAIT_FAILED;
    std::unique_lock<std::mutex> guard(object->lock);
    if (milliseconds == INFINITE) {
        object->signalledChanged.wait(guard, [&] { return object->signalled; });
        return WAIT_OBJECT_0;
    }
    bool done = object->signalledChanged.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                                   [&] { return object->signalled; });
    return done ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.objects.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1 ? TRUE : FALSE;
}

DWORD GetCurrentThreadId() {
    if (t_threadId == 0) t_threadId = NewThreadId();
    return t_threadId;
}

void FailNextCreateThreads(int count) { g_failCreates.store(count < 0 ? 0 : count); }
