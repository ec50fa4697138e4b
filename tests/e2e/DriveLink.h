// The driven client's end of the drive link: a loopback TCP connection to the test, one command
// line in, one answer line out. Commands arrive on the user-interface thread like any socket event;
// each one runs from a hidden window of its own, outside the peer's delivery, so that a command may
// run the loop (settle, advance) while the peer takes the next bytes.
//
//   tap x y | drag x1 y1 x2 y2 ms | key vk | chars <utf-8> | compose <latin keys>
//   settle | advance ms | shot <file> | state | quit
//
// Answers: "ok", "state ..." for state, "error <why>" for a command that failed or is unknown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/net/QeTcpPeer.h"

class FakeClock;
class Program;
class SoundAndLedLog;

class DriveLink : public QeTcpPeer {
public:
    // `clock` null: the real clock, where advance runs the loop for that long.
    explicit DriveLink(FakeClock* clock);
    ~DriveLink() override;

    // On the user-interface thread once the program has started: connects to the test.
    bool Open(Program& program, unsigned short port);
    // Before the framework stops.
    void Shut();

    // Runs the commands that came, one after the other (from the command window).
    void RunWaiting();

protected:
    void OnConnect() override {}
    void OnSent(const BYTE*, DWORD) override {}
    void FrameLength(const BYTE* bytes, DWORD available, DWORD& length) override;
    void OnMessage(const BYTE* bytes, DWORD length) override;
    void OnClose() override;
    void OnError(int code) override;

private:
    std::string Execute(const std::string& line);
    std::string State();
    bool Settle();
    void Advance(unsigned ms);
    void Answer(const std::string& text);

    FakeClock* m_clock;
    Program* m_program = nullptr;
    HWND m_commandWindow = nullptr;
    std::vector<std::string> m_waiting;
    bool m_running = false;
    std::unique_ptr<SoundAndLedLog> m_log;
};
