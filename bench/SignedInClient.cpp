#include "bench/SignedInClient.h"

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

std::string AccountSeed(int buddies, int groups, int memos) {
    std::string users = R"({"id": "owner@tevrik.example", "password": "1234", "name": "주인", "nickname": "주인장", "groups": [)";
    for (int g = 0; g < groups; ++g) {
        users += (g ? "," : "") + std::string(R"({"id": ")") + std::to_string(g) + R"(", "name": "그룹 )" +
                 std::to_string(g + 1) + "\"}";
    }
    users += R"(], "buddies": [)";
    std::string others;
    for (int i = 0; i < buddies; ++i) {
        const std::string id = "buddy" + std::to_string(i) + "@tevrik.example";
        users += (i ? "," : "") + std::string(R"({"id": ")") + id + R"(", "group": ")" + std::to_string(i % groups) + "\"}";
        // The first buddy has the owner as a buddy too, so that each sees the other online.
        others += R"(,{"id": ")" + id + R"(", "password": "x", "name": "친구 )" + std::to_string(i) +
                  R"(", "nickname": "별명 )" + std::to_string(i) + R"(", "groups": [{"id": "0", "name": "기타"}])" +
                  (i == 0 ? R"(, "buddies": [{"id": "owner@tevrik.example", "group": "0"}]})" : "}");
    }
    users += "]}" + others;
    std::string inbox;
    for (int m = 0; m < memos; ++m) {
        inbox += (m ? "," : "") + std::string(R"({"from": "buddy)") + std::to_string(m % std::max(buddies, 1)) +
                 R"(@tevrik.example", "to": ["owner@tevrik.example"], "text": "쪽지 )" + std::to_string(m) +
                 R"( 내용입니다", "date": "202403150930)" + std::to_string(10 + m) + "\"}";
    }
    return R"({"users": [)" + users + R"(], "memos": [)" + inbox + "]}";
}

bool SignInAndSettle(DrivenClient& client, tevrik_service::TestService& service, const DriveOptions& options,
                     std::string* why, const std::string& id, const std::string& password) {
    SkinLayout skin;
    if (!client.Start(service, options) || !client.Still() || !SignInThroughForm(client, skin, id, password) ||
        service.WaitForSignIn(id + "@tevrik.example", 30s) == 0) {
        *why = "the client did not sign in";
        return false;
    }
    // The memo count is the last answer of the sign-in; then the list is drawn and still.
    const auto counted = service.WaitForFrame(
        [](const tevrik_service::Frame& frame) {
            return !frame.fromClient && frame.innerCommand == "WGET" && frame.inner.find("MEMOCNT2") != std::string::npos;
        },
        30s);
    if (!counted || !client.Still() || client.State().rfind("page=BuddyList ", 0) != 0) {
        *why = "the client did not settle on the buddy list";
        return false;
    }
    return true;
}
