// What the service knows: accounts, their groups and buddy lists, and the memo boxes. Kept in memory,
// filled from a JSON seed.
#pragma once

#include <deque>
#include <map>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

namespace tevrik_service {

// List bits of a roster entry, in the order of the buddy record's flag token.
constexpr unsigned kForward = 1;  // FL: the owner keeps this buddy
constexpr unsigned kAllow = 2;    // AL: the buddy may see the owner
constexpr unsigned kBlock = 4;    // BL: the buddy is blocked
constexpr unsigned kReverse = 8;  // RL: the buddy keeps the owner

struct RosterEntry {
    std::string key;      // member key, unique over the whole service
    std::string buddy;    // the buddy's login id as the account spells it
    unsigned flags = 0;
    std::string message;  // the text of a buddy request the owner has not answered
};

struct Group {
    std::string id;
    std::string name;
    std::vector<std::string> keys;
};

struct Memo {
    long long seq = 0;
    std::string cookie;
    std::string from;
    std::string refs;  // the recipients as the sender named them, joined by ";"
    std::string title;
    std::string confirm = "0";
    std::string date;  // yyyyMMddhhmmss
    std::string event = "NW";
    std::string fontName;
    std::string fontSize = "9";
    std::string fontColor = "#000000";
    std::string fontStyle;
    std::string contentType = "text";
    std::string body;

    // "IMSG\r\n", the header lines (the memo's own cookie among them), an empty line, the body.
    std::string ImsgBlock() const;
};

struct BoxItem {
    long long memo = 0;
    bool read = false;
};

struct User {
    std::string id;
    std::string password;
    std::string name;
    std::string nickname;
    std::string birthday;  // yyyyMMdd
    bool solar = true;
    std::string mobile;
    std::string profile2;
    std::string profile3;
    std::string profile4;
    std::vector<Group> groups;
    std::vector<RosterEntry> roster;  // changed only through Directory, which keeps rosterAt
    std::unordered_map<std::string, size_t> rosterAt;  // lower-cased buddy id -> index in roster
    std::deque<BoxItem> inbox;  // newest first
    std::deque<BoxItem> sent;
};

class Directory {
public:
    // Replaces everything with the seed's content; on failure nothing is kept and error says why.
    bool Load(const std::string& json, std::string& error);

    User* Find(const std::string& id);  // ids compare without regard to ASCII case
    RosterEntry* EntryFor(User& owner, const std::string& buddyId);
    RosterEntry* EntryByKey(User& owner, const std::string& key);
    RosterEntry& Ensure(User& owner, const User& buddy);  // the entry, made with a new key if absent
    void RemoveEntry(User& owner, const std::string& key);
    static Group* FindGroup(User& owner, const std::string& id);
    static void RemoveFromGroups(User& owner, const std::string& key);

    Memo& AddMemo(Memo memo);  // gives it a sequence number and cookie
    Memo* FindMemo(long long seq);
    Memo* FindMemoByCookie(const std::string& cookie);

    std::vector<std::string> UserIds() const;

private:
    std::map<std::string, User> users_;
    std::map<long long, Memo> memos_;
    long long nextKey_ = 1001;
    long long nextMemo_ = 1;
};

std::string LowerAscii(std::string text);

// The credential digest: lowercase hex MD5 of the UTF-8 of password + login part, where the login
// part is the id cut before "@" + the portal's domain (compared without regard to case).
std::string CredentialDigest(const std::string& loginId, const std::string& password);
constexpr const char* kPortalDomain = "tevrik.example";

}  // namespace tevrik_service
