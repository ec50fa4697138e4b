#include "tools/service/Directory.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tools/service/Wire.h"

namespace tevrik_service {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string CredentialDigest(const std::string& loginId, const std::string& password) {
    std::string suffix = std::string("@") + kPortalDomain;
    size_t at = LowerAscii(loginId).find(suffix);
    std::string input = password + (at == std::string::npos ? loginId : loginId.substr(0, at));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(input.data(), input.size(), digest, &size, EVP_md5(), nullptr) != 1) return {};
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

std::string Memo::ImsgBlock() const {
    std::string s = "IMSG\r\n";
    auto line = [&](const char* key, const std::string& value) {
        s += key;
        s += EscapeToken(value);
        s += "\r\n";
    };
    line("from:", from);
    line("ref:", refs);
    line("title:", title);
    line("confirm:", confirm);
    line("date:", date);
    line("event:", event);
    line("cookie:", cookie);
    line("font-name:", fontName);
    line("font-size:", fontSize);
    line("font-color:", fontColor);
    line("font-style:", fontStyle);
    line("contenttype:", contentType);
    line("length:", std::to_string(body.size()));
    s += "\r\n";
    s += body;
    return s;
}

User* Directory::Find(const std::string& id) {
    auto it = users_.find(LowerAscii(id));
    return it == users_.end() ? nullptr : &it->second;
}

RosterEntry* Directory::EntryFor(User& owner, const std::string& buddyId) {
    auto at = owner.rosterAt.find(LowerAscii(buddyId));
    return at == owner.rosterAt.end() ? nullptr : &owner.roster[at->second];
}

RosterEntry* Directory::EntryByKey(User& owner, const std::string& key) {
    for (auto& e : owner.roster)
        if (e.key == key) return &e;
    return nullptr;
}

RosterEntry& Directory::Ensure(User& owner, const User& buddy) {
    if (RosterEntry* e = EntryFor(owner, buddy.id)) return *e;
    RosterEntry entry;
    entry.key = std::to_string(nextKey_++);
    entry.buddy = buddy.id;
    owner.rosterAt[LowerAscii(buddy.id)] = owner.roster.size();
    owner.roster.push_back(entry);
    return owner.roster.back();
}

void Directory::RemoveEntry(User& owner, const std::string& key) {
    RemoveFromGroups(owner, key);
    owner.roster.erase(std::remove_if(owner.roster.begin(), owner.roster.end(),
                                      [&](const RosterEntry& e) { return e.key == key; }),
                       owner.roster.end());
    owner.rosterAt.clear();
    for (size_t i = 0; i < owner.roster.size(); ++i) owner.rosterAt[LowerAscii(owner.roster[i].buddy)] = i;
}

Group* Directory::FindGroup(User& owner, const std::string& id) {
    for (auto& g : owner.groups)
        if (g.id == id) return &g;
    return nullptr;
}

void Directory::RemoveFromGroups(User& owner, const std::string& key) {
    for (auto& g : owner.groups) g.keys.erase(std::remove(g.keys.begin(), g.keys.end(), key), g.keys.end());
}

Memo& Directory::AddMemo(Memo memo) {
    memo.seq = nextMemo_++;
    unsigned char random[6] = {};
    RAND_bytes(random, sizeof random);
    char cookie[40];
    std::snprintf(cookie, sizeof cookie, "M%lld%02x%02x%02x%02x%02x%02x", memo.seq, random[0],
                  random[1], random[2], random[3], random[4], random[5]);
    memo.cookie = cookie;
    return memos_[memo.seq] = std::move(memo);
}

Memo* Directory::FindMemo(long long seq) {
    auto it = memos_.find(seq);
    return it == memos_.end() ? nullptr : &it->second;
}

Memo* Directory::FindMemoByCookie(const std::string& cookie) {
    for (auto& [seq, memo] : memos_)
        if (memo.cookie == cookie) return &memo;
    return nullptr;
}

std::vector<std::string> Directory::UserIds() const {
    std::vector<std::string> ids;
    for (const auto& [key, user] : users_) ids.push_back(user.id);
    return ids;
}

namespace {

using nlohmann::json;

std::string Str(const json& object, const char* key, const std::string& fallback = {}) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return fallback;
    if (!it->is_string()) throw std::runtime_error(std::string("\"") + key + "\" is not a text");
    return it->get<std::string>();
}

bool Flag(const json& object, const char* key, bool fallback) {
    auto it = object.find(key);
    if (it == object.end()) return fallback;
    if (!it->is_boolean()) throw std::runtime_error(std::string("\"") + key + "\" is not true or false");
    return it->get<bool>();
}

const json& List(const json& object, const char* key) {
    static const json empty = json::array();
    auto it = object.find(key);
    if (it == object.end()) return empty;
    if (!it->is_array()) throw std::runtime_error(std::string("\"") + key + "\" is not a list");
    return *it;
}

// Where the byte at `offset` (from 0) stands, as an editor shows it: line and column from 1, the
// column counted in characters of UTF-8 text.
std::string LineAndColumn(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool Directory::Load(const std::string& text, std::string& error) {
    Directory fresh;
    try {
        json seed;
        try {
            seed = json::parse(text);
        } catch (const json::parse_error& e) {
            // The library's own text after its position, which counts bytes rather than characters.
            const std::string what = e.what();
            const size_t column = what.find("column ");
            const size_t reason = what.find(": ", column == std::string::npos ? 0 : column);
            error = "the seed does not parse at " + LineAndColumn(text, e.byte > 0 ? e.byte - 1 : 0) +
                    (reason == std::string::npos ? "" : what.substr(reason));
            return false;
        }
        if (!seed.is_object()) {
            error = "the seed is not a JSON object";
            return false;
        }
        for (const json& u : List(seed, "users")) {
            if (!u.is_object()) throw std::runtime_error("a user is not an object");
            User user;
            user.id = Str(u, "id");
            if (user.id.empty() || user.id.find_first_of(" \t\r\n") != std::string::npos)
                throw std::runtime_error("a user has no id or one with blanks");
            if (fresh.Find(user.id)) throw std::runtime_error("user " + user.id + " is there twice");
            user.password = Str(u, "password");
            user.name = Str(u, "name", user.id);
            user.nickname = Str(u, "nickname", user.name);
            user.birthday = Str(u, "birthday");
            user.solar = Flag(u, "solar", true);
            user.mobile = Str(u, "mobile");
            user.profile2 = Str(u, "profile2");
            user.profile3 = Str(u, "profile3");
            user.profile4 = Str(u, "profile4");
            for (const json& g : List(u, "groups")) {
                Group group{Str(g, "id"), Str(g, "name"), {}};
                if (group.id.empty() || FindGroup(user, group.id))
                    throw std::runtime_error(user.id + " has a group without id or one twice");
                user.groups.push_back(group);
            }
            fresh.users_[LowerAscii(user.id)] = user;
        }
        // Buddies go in once every account exists, so that lists may name accounts further down.
        auto addForward = [&](User& owner, const json& b, unsigned flags, const std::string& message) {
            User* buddy = fresh.Find(Str(b, "id"));
            if (!buddy || buddy == &owner)
                throw std::runtime_error(owner.id + " lists an unknown buddy or itself: " + Str(b, "id"));
            RosterEntry& entry = fresh.Ensure(owner, *buddy);
            entry.flags |= flags;
            std::string gid = Str(b, "group", "0");
            Group* group = FindGroup(owner, gid);
            if (!group) throw std::runtime_error(owner.id + " has no group " + gid);
            if (std::find(group->keys.begin(), group->keys.end(), entry.key) == group->keys.end())
                group->keys.push_back(entry.key);
            RosterEntry& back = fresh.Ensure(*buddy, owner);
            back.flags |= kReverse;
            if (!message.empty()) back.message = message;
        };
        for (const json& u : List(seed, "users")) {
            User& owner = *fresh.Find(Str(u, "id"));
            for (const json& b : List(u, "buddies"))
                addForward(owner, b, kForward | (Flag(b, "blocked", false) ? kBlock : kAllow), {});
        }
        for (const json& r : List(seed, "requests")) {
            User* from = fresh.Find(Str(r, "from"));
            if (!from) throw std::runtime_error("a request comes from an unknown user");
            json target = {{"id", Str(r, "to")}, {"group", Str(r, "group", "0")}};
            addForward(*from, target, kForward | kAllow, Str(r, "message"));
        }
        for (const json& m : List(seed, "memos")) {
            Memo memo;
            User* from = fresh.Find(Str(m, "from"));
            if (!from) throw std::runtime_error("a memo comes from an unknown user");
            memo.from = from->id;
            memo.body = Str(m, "text");
            memo.title = Str(m, "title", memo.body);
            memo.date = Str(m, "date", "20240101090000");
            std::vector<User*> to;
            for (const json& id : List(m, "to")) {
                User* user = id.is_string() ? fresh.Find(id.get<std::string>()) : nullptr;
                if (!user) throw std::runtime_error("a memo goes to an unknown user");
                memo.refs += (memo.refs.empty() ? "" : ";") + user->id;
                to.push_back(user);
            }
            bool read = Flag(m, "read", false);
            Memo& stored = fresh.AddMemo(memo);
            from->sent.push_front({stored.seq, true});
            for (User* user : to) user->inbox.push_front({stored.seq, read});
        }
    } catch (const std::exception& e) {
        error = std::string("bad seed: ") + e.what();
        return false;
    }
    *this = std::move(fresh);
    return true;
}

}  // namespace tevrik_service
