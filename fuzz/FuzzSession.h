// What the fuzzers that drive the protocol session share: a client made afresh for every input and
// signed in as far as the protocol can tell, with its model filled, a real request of each kind
// waiting for its reply, and every screen call recorded (RecordingScreens); bytes reach it as the
// session's peer delivers them (SessionHarness: cut into reads of one size, framed with FrameLength,
// dispatched with OnPacket). Nothing of one input is left for the next: the client is built and torn
// down around each one, and the process-wide parts buffers and envelope id are emptied.
//
// The starting state is the same for every input, so inputs (and the seeds and dictionaries) can
// name its transaction ids and texts:
//   account  "me@x", name "Me", nickname "me", online
//   roster   key "k1" "b@x" Bee/bee online, "k2" "c@x" Cee/cee away, "k3" "d@x" Dee/dee offline;
//            groups "0" {k1, k2} and "g1" {k3}
//   memos    inbox page 1 of 2: "m1" from b@x, "m2" from c@x (the memo read page shows "m1")
//   chats    "77" with b@x and c@x; d@x waiting for its RESS (37) with a text queued; e@x waiting
//            for its CSES CONN (38)
//   pending  by transaction id (the CRP2 that carries a request in brackets):
//             1 LIN2               9 WGET MEMOCNT2 (10)   24 ADDB BL (25)
//             2 AUTH              11 WGET MEMOGET2 (12)   26 RMVB (27)
//             3 LSTA FULL         13 WGET MEMODEL1 (14)   28 ADDG (29)
//             4 LOPT (5)          15 WGET MEMOSPM1 (16)   30 MVBG (31)
//             6 PONG              18 CMSG (19)            32 ONST (33)
//             7 WGET MEMOLST2 (8) 20 ADSB REQST (21)      34 CNIK (35)
//                                 22 ADSB ACCPT (23)      37 RESS (36), 38 CSES CONN
// Every command of the program is dispatched to its own handler, except that PVER and REQS, whose
// handlers would reach out to the network, meet a network that is down (FuzzSession.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/KeepAlive.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// The first input byte of the session fuzzers: bit 0 the phase (0 on the login server, 1 on the
// session server), bit 1 whether the memo read page is the current page, bit 2 how the message
// boxes that ask are answered (Yes or No), bits 3-7 the size of the reads.
struct FuzzControl {
    explicit FuzzControl(uint8_t byte);
    int Phase;
    bool MemoReadPageCurrent;
    int ConfirmAnswer;  // 2 Yes, 3 No
    size_t ReadSize;
};

// The objects of a client in the program's order: the screens, the model, then the protocol
// singletons (the harness makes them); deleted in reverse.
struct ClientObjects {
    ClientObjects();
    ~ClientObjects();
    ClientObjects(const ClientObjects&) = delete;
    ClientObjects& operator=(const ClientObjects&) = delete;

    // The account, roster, groups, memos and chats of the starting state; the connection open in
    // phase 1.
    void SignIn();

private:
    // Before anything else: the process set up once, and what earlier inputs left in it cleared.
    struct Once {
        Once();
    } m_once;

public:
    RecordingScreens Screens;
    AccountInfo Account;
    BuddyGroupList Groups;
    BuddyRoster Roster;
    ChatSessionManager Chats;
    MemoStore Memos;
    KeepAlive Alive;
    SessionHarness Harness;
};

// The requests a client has waiting at the start, sent once by the screens' and handlers' own
// senders to a client of their own, which must be gone before the input's client is made (there is
// one of each singleton at a time): hence a base that comes first.
class StartingRequests {
protected:
    StartingRequests();
    const std::vector<std::unique_ptr<RequestMessage>>& Waiting;
};

class SignedInClient : private StartingRequests, public ClientObjects {
public:
    explicit SignedInClient(const FuzzControl& control);

    // Hands bytes[0, size) to the session in reads of readSize bytes, until they run out or the
    // session closes the connection; no frame may be left half dispatched.
    void Feed(const uint8_t* bytes, size_t size, size_t readSize);
    // What the loop does once the bytes are handled: it runs the tasks handlers left for it and the
    // user answers the message boxes that ask (their answers may send more). Then the model is
    // checked: no chat holds a member twice, every chat window belongs to a chat, and the parts
    // buffers stay within their caps.
    void Settle();
    // The whole stream in one read, then Settle.
    void Play(const std::string& stream);

    FuzzControl Control;
};

// The bytes cut at every 0xFF byte, a byte UTF-8 text never holds: how the fuzzers that build reply
// parts from their input tell where one part ends and the next begins. Always at least one piece.
std::vector<std::string> CutAtFF(const uint8_t* data, size_t size);

// The whole run of one input of the session fuzzers: the first byte is the control, the rest the
// stream from the service.
void RunSignedIn(const uint8_t* data, size_t size);
