// Inside the service: connections, the poll loop and the protocol handlers. One mutex guards all of
// it; the loop holds it except while it waits in poll().
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/service/Directory.h"
#include "tools/service/TestService.h"
#include "tools/service/Tls.h"
#include "tools/service/Wire.h"

typedef struct ssl_st SSL;

namespace tevrik_service {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

struct Behaviour {
    bool answerPong = true;
    size_t splitChunk = 0;  // 0: whole writes
    Millis splitGap{0};
    Millis delay{0};
    bool held = false;  // frames wait, in order, until released
};

struct Connection {
    ConnId id = 0;
    Listener listener = Listener::Login;
    int fd = -1;
    SSL* ssl = nullptr;
    bool handshaking = false;
    bool sslWantsWrite = false;
    Clock::time_point handshakeDeadline;
    std::string in;
    struct Chunk {
        std::string bytes;
        Clock::time_point notBefore;
    };
    std::deque<Chunk> out;
    size_t outOffset = 0;  // bytes of out.front() already written
    Clock::time_point nextWrite;
    bool closeAfterFlush = false;
    // Closing after the last bytes went out: the write side is shut and what the client still
    // sends is read and dropped until it closes, so a close never resets away the last bytes.
    bool halfClosed = false;
    Clock::time_point closeDeadline;
    bool open = true;
    Behaviour behaviour;

    std::string user;  // the account signed in on this connection
    bool signedIn = false;
    char presence = 'F';
    std::set<std::string> rooms;  // chat session ids entered
};

struct RoomMember {
    ConnId conn = 0;
    std::string id;
    std::string nickname;
    std::string name;
};

struct Room {
    std::string sid;
    std::string cookie;
    std::vector<RoomMember> members;
};

struct Override {
    int code = 0;
    int times = 0;  // -1: for ever
};

// Where a reply goes: straight onto the connection, or inside a CRP2 like the request came.
struct ReplyTo {
    Connection* conn = nullptr;
    bool enveloped = false;
    std::string outerTrid;
    std::string route;
    std::string target;
};

class TestService::Impl {
public:
    ~Impl();
    bool Start(const ServiceOptions& options, std::string& error);
    void Stop();

    // --- called with mu held ---
    Connection* Find(ConnId id);
    void Send(Connection& c, std::string bytes);
    void Drop(Connection& c, bool reset = false);
    void Wake();

    // protocol (Protocol.cpp)
    void OnFrame(Connection& c, const WireFrame& f);
    void OnHttp(Connection& c);
    void SignOut(Connection& c, bool offline);
    void NotifyPresence(User& subject, char before, char after);
    char Presence(const std::string& id);  // 'F' when not signed in
    char SeenLetter(User& subject, User& viewer, char subjectPresence);
    Connection* OnlineConn(const std::string& id);
    bool TakeOverride(std::map<std::string, Override>& table, const std::string& key, int& code);

    mutable std::mutex mu;
    std::condition_variable cv;
    unsigned long long changes_ = 0;

    ServiceOptions options;
    Directory dir;
    TlsIdentity tls;
    int listeners[3] = {-1, -1, -1};
    uint16_t ports[3] = {0, 0, 0};
    int wake[2] = {-1, -1};
    bool running = false;
    bool stopping = false;
    std::thread thread;

    std::map<ConnId, Connection> conns;
    ConnId nextConn = 1;
    Behaviour defaults;
    std::vector<Frame> frames;

    std::set<std::string> authTokens;
    std::map<std::string, std::string> tickets;  // ticket -> login id (lower case)
    std::map<std::string, ConnId> online;        // login id (lower case) -> connection
    std::map<std::string, Room> rooms;           // by session id
    long long nextRoom = 7001;
    std::map<std::string, Override> errorReplies;
    std::map<std::string, Override> silences;  // the code is not used
    std::map<std::string, Override> memoCodes;
    std::string upgradeMessage = "새 버전의 Tevrik이 나왔습니다.\r\n지금 업그레이드하시겠습니까?";
    std::string upgradePackage = "TEVRIK-PACKAGE\n";

    void Record(const Connection& c, bool fromClient, const std::string& bytes);

private:
    void Loop();
    void Accept(int which);
    void ReadFrom(Connection& c);
    void Handshake(Connection& c);
    void Flush(Connection& c);
    void HalfClose(Connection& c);
    void Process(Connection& c);
};

std::string RandomHex(size_t bytes);
std::string NowStamp();  // local time as yyyyMMddhhmmss

}  // namespace tevrik_service
