#include "platform/system/mmtimer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "platform/system/thread.h"

namespace {

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

struct Timer {
    UINT delay = 0;
    bool periodic = false;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    std::uint64_t due = 0;  // on whichever clock is in force
};

struct TimerState {
    std::mutex lock;
    std::condition_variable scheduleChanged;  // wakes the timer thread
    std::condition_variable callbackDone;     // wakes a kill waiting for a running callback
    std::map<UINT, Timer> timers;
    UINT nextId = 1;
    bool threadStarted = false;
    UINT runningId = 0;
    DWORD runningThread = 0;
    std::atomic<bool> fake{false};
    std::atomic<std::uint64_t> fakeNow{0};
};

// Never destroyed: the timer thread runs until the process ends.
TimerState& State() {
    static TimerState* state = new TimerState;
    return *state;
}

std::uint64_t RealNow() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::uint64_t Now(const TimerState& state) { return state.fake.load() ? state.fakeNow.load() : RealNow(); }

// The first due time after `now` on the timer's own grid.
std::uint64_t NextDue(std::uint64_t due, UINT delay, std::uint64_t now) {
    due += delay;
    if (due <= now) due += ((now - due) / delay + 1) * delay;
    return due;
}

std::map<UINT, Timer>::iterator Earliest(TimerState& state) {
    auto best = state.timers.end();
    for (auto it = state.timers.begin(); it != state.timers.end(); ++it) {
        if (best == state.timers.end() || it->second.due < best->second.due) best = it;
    }
    return best;
}

// Runs one callback with the lock released; a kill on another thread waits for it to return.
void Fire(TimerState& state, std::unique_lock<std::mutex>& guard, UINT id, const Timer& timer) {
    state.runningId = id;
    state.runningThread = GetCurrentThreadId();
    guard.unlock();
    timer.callback(id, 0, timer.user, 0, 0);
    guard.lock();
    state.runningId = 0;
    state.runningThread = 0;
    state.callbackDone.notify_all();
}

// Takes the timer out of the schedule for the callback about to run: one-shot timers end, periodic
// ones move to their next due time.
Timer Reschedule(TimerState& state, std::map<UINT, Timer>::iterator it, std::uint64_t now) {
    Timer fired = it->second;
    if (fired.periodic) {
        it->second.due = NextDue(fired.due, fired.delay, now);
    } else {
        state.timers.erase(it);
    }
    return fired;
}

void TimerThread() {
    TimerState& state = State();
    std::unique_lock<std::mutex> guard(state.lock);
    for (;;) {
        if (state.fake.load() || state.timers.empty()) {
            state.scheduleChanged.wait(guard);
            continue;
        }
        auto it = Earliest(state);
        std::uint64_t now = RealNow();
        if (it->second.due > now) {
            auto wake = std::chrono::steady_clock::time_point(std::chrono::milliseconds(it->second.due));
            state.scheduleChanged.wait_until(guard, wake);
            continue;
        }
        UINT id = it->first;
        Timer fired = Reschedule(state, it, now);
        Fire(state, guard, id, fired);
    }
}

}  // namespace

DWORD timeGetTime() { return static_cast<DWORD>(Now(State())); }

MMRESULT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (callback == nullptr || delay < kPeriodMin || delay > kPeriodMax) return 0;
    TimerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.threadStarted) {
        try {
            std::thread(&TimerThread).detach();
        } catch (...) {
            return 0;
        }
        state.threadStarted = true;
    }
    UINT id = state.nextId++;
    if (state.nextId == 0) state.nextId = 1;
    Timer timer;
    timer.delay = delay;
    timer.periodic = (flags & TIME_PERIODIC) != 0;
    timer.callback = callback;
    timer.user = user;
    timer.due = Now(state) + delay;
    state.timers[id] = timer;
    state.scheduleChanged.notify_all();
    return id;
}

MMRESULT timeKillEvent(UINT id) {
    TimerState& state = State();
    std::unique_lock<std::mutex> guard(state.lock);
    if (state.timers.erase(id) == 0) {
        // A one-shot timer whose callback is under way is already out of the schedule; still wait.
        if (state.runningId != id || id == 0) return MMSYSERR_INVALPARAM;
    }
    state.scheduleChanged.notify_all();
    DWORD self = GetCurrentThreadId();
    state.callbackDone.wait(guard, [&] { return state.runningId != id || state.runningThread == self; });
    return TIMERR_NOERROR;
}

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) {
    if (caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = kPeriodMin;
    caps->wPeriodMax = kPeriodMax;
    return TIMERR_NOERROR;
}

void timeFakeClockBegin(DWORD startMs) {
    TimerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    std::uint64_t from = Now(state);
    for (auto& [id, timer] : state.timers) {
        std::uint64_t remaining = timer.due > from ? timer.due - from : 0;
        timer.due = startMs + remaining;
    }
    state.fakeNow.store(startMs);
    state.fake.store(true);
    state.scheduleChanged.notify_all();
}

void timeFakeClockEnd() {
    TimerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.fake.load()) return;
    std::uint64_t from = state.fakeNow.load();
    std::uint64_t to = RealNow();
    for (auto& [id, timer] : state.timers) {
        std::uint64_t remaining = timer.due > from ? timer.due - from : 0;
        timer.due = to + remaining;
    }
    state.fake.store(false);
    state.scheduleChanged.notify_all();
}

BOOL timeFakeClockActive() { return State().fake.load() ? TRUE : FALSE; }

void timeFakeClockAdvance(DWORD ms, FAKECLOCKSTEPPROC afterEachTick, void* context) {
    TimerState& state = State();
    std::unique_lock<std::mutex> guard(state.lock);
    if (!state.fake.load()) return;
    std::uint64_t target = state.fakeNow.load() + ms;
    for (;;) {
        auto it = Earliest(state);
        if (it == state.timers.end() || it->second.due > target) break;
        std::uint64_t due = it->second.due;
        if (due > state.fakeNow.load()) state.fakeNow.store(due);
        UINT id = it->first;
        // Every due time is fired here, none skipped: the test clock jumps, it is never late.
        Timer fired = Reschedule(state, it, due);
        Fire(state, guard, id, fired);
        if (afterEachTick != nullptr) {
            guard.unlock();
            afterEachTick(context);
            guard.lock();
        }
        if (!state.fake.load()) return;  // a callback went back to the real clock
    }
    state.fakeNow.store(target);
}
