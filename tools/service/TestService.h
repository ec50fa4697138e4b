// The local service stand-in: a loopback messenger service with a login server (plain TCP), a session
// server (TLS) and an HTTP server for the upgrade manifest and package. It runs its own poll loop on
// its own thread; every member function below may be called from any thread.
//
// Tests drive it through this API: start it on free ports with a seed, read back every frame each
// connection exchanged byte for byte, wait (with a bound) for frames and sign-ins, push any frame,
// and make a connection misbehave.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevrik_service {

class Directory;

using ConnId = int;
constexpr ConnId kAllConnections = 0;  // for the behaviour setters: every connection, now and later

enum class Listener { Login, Session, Http };

struct ServiceOptions {
    std::string seedJson = "{}";  // the seed itself, JSON text
    uint16_t loginPort = 0;       // 0 picks a free port
    uint16_t sessionPort = 0;
    uint16_t httpPort = 0;
    std::string caCertFile;  // optional: sign the server certificate with this CA (PEM)
    std::string caKeyFile;
    char upgradeAnswer = 'N';      // PVER answer: N, Y or F
    size_t listPartSize = 256;     // LSTA payload bytes per reply part
    size_t memoPartSize = 0;       // WGET payload bytes per reply part; 0: one part
    std::chrono::milliseconds handshakeTimeout{10000};
    bool record = true;  // keep every frame for the test API (the program turns this off)
};

// One frame as it crossed a connection, in either direction.
struct Frame {
    size_t index = 0;  // position in the record, from 0
    ConnId conn = 0;
    bool fromClient = false;
    std::string bytes;         // the frame byte for byte
    std::string command;       // first token ("PVER", "CRP2", "301"; "GET" for an HTTP request)
    std::string trid;          // second token as written
    std::string innerCommand;  // for CRP2 and CTOC: the first token of the carried bytes
    std::string inner;         // for CRP2 and CTOC: the carried bytes
};

struct ConnectionInfo {
    ConnId id = 0;
    Listener listener = Listener::Login;
    std::string loginId;  // the account signed in on it (session connections)
    bool signedIn = false;
    bool open = false;
};

class TestService {
public:
    TestService();
    ~TestService();  // stops the service
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    bool Start(const ServiceOptions& options, std::string* error = nullptr);
    void Stop();

    uint16_t LoginPort() const;
    uint16_t SessionPort() const;
    uint16_t HttpPort() const;
    std::string CaCertPem() const;

    // --- The record ---
    size_t FrameCount() const;
    std::vector<Frame> Frames(size_t from = 0) const;
    // The first frame at or after index from that matches, waiting up to timeout for it. The match
    // runs under the service's lock: it must not call back into the service.
    std::optional<Frame> WaitForFrame(const std::function<bool(const Frame&)>& match,
                                      std::chrono::milliseconds timeout, size_t from = 0);
    // A frame the client sent on conn (kAllConnections: any) whose command or carried command is
    // the one given.
    std::optional<Frame> WaitForClientFrame(ConnId conn, const std::string& command,
                                            std::chrono::milliseconds timeout, size_t from = 0);
    std::vector<ConnectionInfo> Connections() const;
    ConnId SignedInConnection(const std::string& loginId) const;  // 0 when not signed in
    ConnId WaitForSignIn(const std::string& loginId, std::chrono::milliseconds timeout);
    bool WaitForClose(ConnId conn, std::chrono::milliseconds timeout);
    // Re-evaluates the condition (outside the lock, so it may call the service) after every change
    // the service makes, until it holds or the time is up.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    // --- Frames on request; each returns false when the connection is not open ---
    bool Push(ConnId conn, const std::string& bytes);                // any bytes, as they stand
    bool SendPing(ConnId conn, int trid = 0);                        // PING <trid>
    bool SendTick(ConnId conn, const std::string& text);             // TICK 0 <text>
    bool SendNotice(ConnId conn, const std::string& notice);         // SNFY 0 ... <notice>
    bool SendKill(ConnId conn);                                      // KILL 0 ..., then close
    // NPRF 0 <loginId> <mask> ... to every signed-in user who keeps loginId as a buddy; the
    // account's matching profile fields change as well. Returns how many were told.
    int SendProfileChange(const std::string& loginId, const std::string& mask,
                          const std::vector<std::string>& texts);  // text1..4, flag5 (Y/N), text6

    // --- Behaviour ---
    void SetUpgradeAnswer(char answer);  // N, Y or F; any other letter is sent as it stands
    void SetUpgradeMessage(const std::string& message);
    void SetUpgradePackage(const std::string& bytes);
    void SetListPartSize(size_t bytes);
    void SetMemoPartSize(size_t bytes);
    void SetAnswerPong(ConnId conn, bool answer);
    // Each later write to the connection goes out in pieces of at most chunk bytes, gap apart.
    void SetSplitWrites(ConnId conn, size_t chunk, std::chrono::milliseconds gap);
    // Each later frame to the connection is held back this long.
    void SetDelay(ConnId conn, std::chrono::milliseconds delay);
    // While held, every frame to the connection waits, in order; released, they all go out.
    void SetHeld(ConnId conn, bool held);
    bool CloseConnection(ConnId conn);  // an orderly close, at once
    bool ResetConnection(ConnId conn);  // a TCP reset
    // The next `times` requests of the command (outer or carried; -1: all of them) are answered with
    // the error line "<code> <trid>" (inside the envelope when the request came in one).
    void SetErrorReply(const std::string& command, int code, int times = 1);
    // The next `times` requests of the command (outer or carried; -1: all of them) get no answer at
    // all: the service takes them and says nothing, as a stalled server would.
    void SetNoReply(const std::string& command, int times = 1);
    // The next `times` WGET requests of the kind get this memo-service code and no payload.
    void SetMemoResultCode(const std::string& kind, int code, int times = 1);
    void SetHandshakeTimeout(std::chrono::milliseconds timeout);

    // Runs f on the service's state under its lock (for checks and for changes between steps).
    void WithDirectory(const std::function<void(Directory&)>& f);
    // The presence letter the account has while signed in ("F" when it is not).
    std::string PresenceOf(const std::string& loginId) const;

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Reads a whole file into text; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

}  // namespace tevrik_service
