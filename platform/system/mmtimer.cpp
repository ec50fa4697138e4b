#include "platform/system/mmtimer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

#include <pthread.h>

#include "platform/system/thread.h"

namespace {

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

struct Timer {
    UINT delay = 0;
    bool periodic = false;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    // On whichever clock is in force: set-up time + k x delay. On the real clock the timer fires at
    // the first multiple of `grid` at or after it, so timers of one period and resolution share
    // their wakes; the test clock fires it exactly.
    std::uint64_t due = 0;
    UINT grid = 1;
    DWORD loopThread = 0;  // the thread whose message functions run it; 0: the timer thread
};

struct TimerState {
    std::mutex lock;
    std::condition_variable scheduleChanged;  // wakes the timer thread
    std::condition_variable callbackDone;     // wakes a kill waiting for a running callback
    std::map<UINT, Timer> timers;
    UINT nextId = 1;
    bool threadStarted = false;
    std::uint64_t wakeAt = 0;  // when the sleeping timer thread wakes; 0 while it runs
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

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

// When the timer fires on the real clock.
std::uint64_t FireTime(const Timer& timer) {
    const std::uint64_t late = timer.due % timer.grid;
    return late == 0 ? timer.due : timer.due + (timer.grid - late);
}

// The first due time after `now` on the timer's own grid.
std::uint64_t NextDue(std::uint64_t due, UINT delay, std::uint64_t now) {
    due += delay;
    if (due <= now) due += ((now - due) / delay + 1) * delay;
    return due;
}

// The timer that fires first: by exact due time on the test clock, which fires every timer; by fire
// time on the real one, among those run by the timer thread (`loop` 0) or by one thread's loop.
std::map<UINT, Timer>::iterator Earliest(TimerState& state, bool real, DWORD loop = 0) {
    auto best = state.timers.end();
    std::uint64_t bestAt = kNever;
    for (auto it = state.timers.begin(); it != state.timers.end(); ++it) {
        if (real && it->second.loopThread != loop) continue;
        const std::uint64_t at = real ? FireTime(it->second) : it->second.due;
        if (best == state.timers.end() || at < bestAt) {
            best = it;
            bestAt = at;
        }
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

// Every timer that is due fires in the same wake, before the thread sleeps again.
void TimerThread() {
    pthread_setname_np(pthread_self(), "tevrik-timer");
    TimerState& state = State();
    std::unique_lock<std::mutex> guard(state.lock);
    for (;;) {
        auto it = state.fake.load() ? state.timers.end() : Earliest(state, true);
        if (it == state.timers.end()) {
            state.wakeAt = kNever;
            state.scheduleChanged.wait(guard);
            state.wakeAt = 0;
            continue;
        }
        std::uint64_t now = RealNow();
        const std::uint64_t at = FireTime(it->second);
        if (at > now) {
            state.wakeAt = at;
            state.scheduleChanged.wait_until(guard, std::chrono::steady_clock::time_point(std::chrono::milliseconds(at)));
            state.wakeAt = 0;
            continue;
        }
        UINT id = it->first;
        Timer fired = Reschedule(state, it, now);
        Fire(state, guard, id, fired);
    }
}

}  // namespace

DWORD timeGetTime() { return static_cast<DWORD>(Now(State())); }

MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
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
    // Never coarser than the period, so a timer keeps its rate.
    timer.grid = std::max<UINT>(1, std::min(resolution, delay));
    if ((flags & TIME_CALLBACK_IN_LOOP) != 0) timer.loopThread = GetCurrentThreadId();
    state.timers[id] = timer;
    // The sleeping thread wakes early only for a timer of its own that comes before its wake.
    if (!state.fake.load() && timer.loopThread == 0 && state.wakeAt != 0 && FireTime(timer) < state.wakeAt) {
        state.scheduleChanged.notify_all();
    }
    return id;
}

MMRESULT timeKillEvent(UINT id) {
    TimerState& state = State();
    std::unique_lock<std::mutex> guard(state.lock);
    if (state.timers.erase(id) == 0) {
        // A one-shot timer whose callback is under way is already out of the schedule; still wait.
        if (state.runningId != id || id == 0) return MMSYSERR_INVALPARAM;
    }
    // No wake for the timer thread: one timer fewer never makes it due sooner.
    DWORD self = GetCurrentThreadId();
    state.callbackDone.wait(guard, [&] { return state.runningId != id || state.runningThread == self; });
    return TIMERR_NOERROR;
}

MMRESULT timeDeferEvent(UINT id, UINT periods) {
    TimerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    auto it = state.timers.find(id);
    if (it == state.timers.end() || !it->second.periodic) return MMSYSERR_INVALPARAM;
    Timer& timer = it->second;
    const std::uint64_t now = Now(state);
    // The first due time after now, on the grid of set-up time + k x delay.
    std::uint64_t due = timer.due > now ? timer.due - (timer.due - now - 1) / timer.delay * timer.delay
                                        : NextDue(timer.due, timer.delay, now);
    due += static_cast<std::uint64_t>(periods) * timer.delay;
    timer.due = due;
    // A thread asleep until a wake that now has nothing to fire sleeps on instead of waking for it
    // (a timed wake costs more than being woken); one that would sleep past the timer wakes early.
    if (!state.fake.load() && timer.loopThread == 0 && state.wakeAt != 0 && state.wakeAt != kNever &&
        FireTime(Earliest(state, true)->second) != state.wakeAt) {
        state.scheduleChanged.notify_all();
    }
    return TIMERR_NOERROR;
}

bool timeRunLoopTimers(unsigned long long* nextSteadyMs) {
    TimerState& state = State();
    if (state.fake.load()) return false;
    const DWORD self = GetCurrentThreadId();
    std::unique_lock<std::mutex> guard(state.lock);
    // Each due timer once: rescheduling moves it past `now`, however long its callback takes.
    const std::uint64_t now = RealNow();
    for (;;) {
        auto it = Earliest(state, true, self);
        if (it == state.timers.end()) return false;
        if (FireTime(it->second) > now) {
            if (nextSteadyMs != nullptr) *nextSteadyMs = FireTime(it->second);
            return true;
        }
        UINT id = it->first;
        Timer fired = Reschedule(state, it, now);
        Fire(state, guard, id, fired);
        if (state.fake.load()) return false;
    }
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
        auto it = Earliest(state, false);
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
