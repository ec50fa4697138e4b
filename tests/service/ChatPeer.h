// A user in a chat played by a scripted client: the room it is in and the steps, written by hand,
// of opening one (RESS), entering one (CSES CONN, ENTR), inviting into it and following an
// invitation. Failures are gtest failures; callers stop on HasFatalFailure().
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/service/ScriptedClient.h"
#include "tests/support/Pump.h"

namespace service_test {

struct ChatPeer {
    ScriptedClient wire;
    std::string id, sid, cookie, port;
    int next = 100;

    std::string NextId() { return std::to_string(next++); }

    // Signs in as the login id with the password "1234".
    void SignIn(tevrik_service::TestService& service, const std::string& loginId) {
        id = loginId;
        ASSERT_EQ(service_test::SignIn(service, wire, id, "1234").rfind("LIN2 4 ", 0), 0u) << id;
    }

    // Asks for a room of its own, connects to it and enters.
    void OpenRoom() {
        wire.Send(Crp2("10", "DP", "%00", "RESS 11\r\n"));
        auto ress = wire.NextStartingWith("CRP2 10 ");
        ASSERT_TRUE(ress);
        const std::vector<std::string> tokens = Tokens(PayloadOf(*ress));
        ASSERT_EQ(tokens.size(), 5u);
        Enter(tokens[3], tokens[4]);
    }
    // CSES CONN into the room at the port with the cookie, then ENTR as "name" with the nickname
    // "nick".
    void Enter(const std::string& roomPort, const std::string& roomCookie) {
        port = roomPort;
        cookie = roomCookie;
        const std::string body = "127.0.0.1 " + port + " " + cookie + "\r\n";
        const std::string conn = NextId();
        wire.Send("CSES " + conn + " CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        auto granted = wire.NextStartingWith("CSES " + conn + " CONN ");
        ASSERT_TRUE(granted);
        sid = Tokens(granted->substr(granted->find('\n') + 1) + "\r\n")[1];
        const std::string entr = NextId();
        wire.Send(Crp2(NextId(), "SS", sid, "ENTR " + entr + " " + id + " nick name " + cookie + " UTF8 P 1.1 2\r\n"));
        ASSERT_TRUE(wire.NextStartingWith("CRP2 ").has_value());
    }
    // Invites the login id into its room.
    void Invite(const std::string& to) {
        const std::string invt = "INVT " + id + " 127.0.0.1 " + port + " " + cookie;
        wire.Send(Crp2(NextId(), "DP", "%00", "CTOC " + NextId() + " " + to + " A " + std::to_string(invt.size()) +
                                                     "\r\n" + invt));
    }
    // Waits for an invitation from the login id and enters the room it names. The loop of this
    // thread runs meanwhile, in case the inviter is the program in this process.
    void FollowInvitation(const std::string& from) {
        std::optional<std::string> invitation;
        for (int i = 0; i < 100 && !invitation; ++i) {
            invitation = wire.NextStartingWith("CTOC 0 " + from + " ", std::chrono::milliseconds(50));
            if (!invitation) PumpUntilIdle(0.05);
        }
        ASSERT_TRUE(invitation);
        // "INVT", the inviter, host, port, cookie.
        const std::vector<std::string> tokens = Tokens(PayloadOf(*invitation) + "\r\n");
        ASSERT_EQ(tokens.size(), 5u) << *invitation;
        EXPECT_EQ(tokens[2], "127.0.0.1");
        Enter(tokens[3], tokens[4]);
    }
    // Follows the invitation, then runs the loop until the program's chat has `members`.
    template <class Chat>
    bool Joins(const Chat& chat, const std::string& from, size_t members) {
        FollowInvitation(from);
        return !::testing::Test::HasFatalFailure() && PumpUntil([&] { return chat.Members.size() == members; }, 20.0);
    }
};

}  // namespace service_test
