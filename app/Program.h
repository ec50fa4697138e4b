// The program's life as its entry runs it: the framework started, the application created over the
// whole screen under the title "Tevrik", the loop run, everything stopped again. The steps are
// apart so that a test can run the program's own start and stop around a loop it drives.
#pragma once

#include <functional>
#include <memory>

#include "app/MessengerApp.h"

class Program {
public:
    Program() = default;
    ~Program() { Stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The framework, then the application and its window. False when a step fails (another
    // instance was raised, the skin is missing, ...); what had started is stopped again then.
    bool Start();
    // The message loop until the window closes, then the application's exit.
    void Run();
    // The application deleted while the framework still lives (its windows hand their surfaces
    // back to live pools), then the framework stopped. Harmless when not started.
    void Stop();

    MessengerApp* App() { return m_app.get(); }

private:
    bool StartApplication();

    std::unique_ptr<MessengerApp> m_app;
    bool m_frameworkStarted = false;
};

// What a program built around the entry adds to it (the shipped program adds nothing): a tool that
// drives the program, or measures it, runs its own work on the user-interface thread between the
// start and the loop, and after the loop while the framework still lives.
struct ProgramHooks {
    // No SDL: the headless presenter, which shows nothing.
    bool headless = false;
    // After a successful start, before the loop; false ends the run without a loop.
    std::function<bool(Program&)> started;
    // After the loop and the application's exit (or after `started` refused), before the framework
    // stops.
    std::function<void()> ended;
};

// The exit status when there is no display to show on, or SDL cannot start.
constexpr int kNoDisplayStatus = 1;

// The whole program on the SDL presenter: kNoDisplayStatus when it has nothing to show on, else 0
// (also when another instance was raised instead).
int TevrikMain(const ProgramHooks& hooks = ProgramHooks());
