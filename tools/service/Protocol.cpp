// What the service answers: the login server, sign-in, the buddy list, presence, buddies and
// groups, chats, memos and the upgrade files over HTTP.
#include <algorithm>
#include <cstdlib>

#include "tools/service/ServiceImpl.h"

namespace tevrik_service {

namespace {

const char kHost[] = "127.0.0.1";
const char kManifestPath[] = "/Upgrade/Upgrade_wm10.ipml";
const char kPackagePath[] = "/Upgrade/Tevrik_wm10.cab";

std::string ErrorLine(int code, const std::string& trid) {
    return Out(std::to_string(code)).Raw(trid).Line();
}

bool IsPresenceLetter(const std::string& token) {
    return token.size() == 1 && std::string("OAMPBXF").find(token[0]) != std::string::npos;
}

std::string FlagsToken(unsigned flags) {
    std::string s;
    for (unsigned bit : {kForward, kAllow, kBlock, kReverse}) s += (flags & bit) ? '1' : '0';
    return s;
}

// A memo's title when its sender gave none: the start of its text, cut on a character boundary.
std::string TitleFromBody(const std::string& body) {
    constexpr size_t kMax = 120;
    if (body.size() <= kMax) return body;
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80) --cut;
    return body.substr(0, cut);
}

bool IsStamp(const std::string& s) {
    return s.size() == 14 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The lines of a payload, each split into (still escaped) tokens.
std::vector<std::vector<std::string>> PayloadLines(const std::string& payload) {
    std::vector<std::vector<std::string>> lines;
    size_t start = 0;
    while (start < payload.size()) {
        size_t lf = payload.find('\n', start);
        size_t end = lf == std::string::npos ? payload.size() : lf;
        lines.push_back(SplitTokens(std::string_view(payload).substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

std::map<std::string, std::string> FormParams(const std::string& text) {
    std::map<std::string, std::string> params;
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        size_t amp = text.find('&', start);
        std::string pair = text.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        size_t eq = pair.find('=');
        if (eq != std::string::npos) params[UnescapeToken(pair.substr(0, eq))] = UnescapeToken(pair.substr(eq + 1));
        if (amp == std::string::npos) break;
        start = amp + 1;
    }
    return params;
}

int ToInt(const std::string& s, int fallback) {
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return fallback;
    return std::atoi(s.c_str());
}

ReplyTo Plain(Connection& c) {
    ReplyTo to;
    to.conn = &c;
    return to;
}

struct PairView {
    char aSeesB = 0;
    char bSeesA = 0;
};

class Protocol {
public:
    explicit Protocol(TestService::Impl& service) : s(service) {}

    void OnFrame(Connection& c, const WireFrame& f);
    void LeaveRoom(Connection& c, const std::string& sid);

private:
    TestService::Impl& s;

    void Reply(const ReplyTo& to, const std::string& frame) {
        if (to.enveloped) s.Send(*to.conn, Envelope(to.outerTrid, to.route, to.target, frame));
        else s.Send(*to.conn, frame);
    }
    void Error(const ReplyTo& to, int code, const std::string& trid) { Reply(to, ErrorLine(code, trid)); }
    void ToUser(const std::string& id, const std::string& frame) {
        if (Connection* c = s.OnlineConn(id)) s.Send(*c, frame);
    }

    PairView View(User& a, User& b) {
        return {s.SeenLetter(b, a, s.Presence(b.id)), s.SeenLetter(a, b, s.Presence(a.id))};
    }
    void NotifyPair(User& a, User& b, PairView before);
    static std::string Ntfy(const User& subject, char letter) {
        return Out("NTFY").Raw("0").Text(subject.id).Raw(std::string(1, letter)).Raw("0").Text("").Raw("1").Line();
    }

    void LoginServer(Connection& c, const WireFrame& f);
    void SignIn(Connection& c, const WireFrame& f);
    void SignedIn(Connection& c, User& me, const WireFrame& f);
    void List(Connection& c, User& me, const WireFrame& f);
    void Carried(Connection& c, User& me, const WireFrame& f);
    void Cses(Connection& c, const WireFrame& f);
    void Inner(Connection& c, User& me, const ReplyTo& to, const WireFrame& in);
    void Adsb(User& me, const ReplyTo& to, const WireFrame& in);
    void Addb(User& me, const ReplyTo& to, const WireFrame& in);
    void Rmvb(User& me, const ReplyTo& to, const WireFrame& in);
    void Mvbg(User& me, const ReplyTo& to, const WireFrame& in);
    void Cmsg(User& me, const ReplyTo& to, const WireFrame& in);
    void Wget(User& me, const ReplyTo& to, const WireFrame& in);
    void WgetReply(const ReplyTo& to, const std::string& trid, const std::string& kind, int code,
                   const std::string& payload);
    void Entr(Connection& c, User& me, const ReplyTo& to, const WireFrame& in);
    void Mesg(Connection& c, User& me, const ReplyTo& to, const WireFrame& in);
};

void Protocol::OnFrame(Connection& c, const WireFrame& f) {
    const std::string& command = f.Command();
    if (!command.empty() && command[0] >= '0' && command[0] <= '9') return;  // clients send no codes
    int code = 0;
    if (s.TakeOverride(s.silences, command, code)) return;
    if (s.TakeOverride(s.errorReplies, command, code)) {
        s.Send(c, ErrorLine(code, f.TrId()));
        return;
    }
    if (c.listener == Listener::Login) return LoginServer(c, f);
    if (!c.signedIn) {
        if (command == "LIN2") return SignIn(c, f);
        return s.Send(c, ErrorLine(601, f.TrId()));
    }
    User* me = s.dir.Find(c.user);
    if (!me) return s.Drop(c);
    SignedIn(c, *me, f);
}

void Protocol::LoginServer(Connection& c, const WireFrame& f) {
    ReplyTo to = Plain(c);
    const std::string& command = f.Command();
    const std::string& t = f.TrId();
    if (command == "PVER") {
        Reply(to, Out("PVER").Raw(t).Raw(std::string(1, s.options.upgradeAnswer)).Line());
    } else if (command == "AUTH") {
        if (f.Arg(2) != "MD5") return Error(to, 395, t);
        std::string token = RandomHex(8);
        s.authTokens.insert(token);
        Reply(to, Out("AUTH").Raw(t).Text(token).Line());
    } else if (command == "REQS") {
        auto token = s.authTokens.find(f.Arg(2));
        if (token == s.authTokens.end()) return Error(to, 601, t);
        if (f.Arg(3).empty()) return Error(to, 201, t);
        s.authTokens.erase(token);
        std::string ticket = RandomHex(12);
        s.tickets[ticket] = LowerAscii(f.Arg(3));
        Reply(to, Out("REQS").Raw(t).Raw("NS").Raw(kHost).Num(s.ports[1]).Text(ticket).Line());
    } else if (command == "LOUT") {
        s.Drop(c);
    } else {
        Error(to, 203, t);
    }
}

void Protocol::SignIn(Connection& c, const WireFrame& f) {
    ReplyTo to = Plain(c);
    const std::string& t = f.TrId();
    std::string id = f.Arg(2);
    auto lines = PayloadLines(f.payload);
    auto token = [&](size_t line, size_t i) {
        return line < lines.size() && i < lines[line].size() ? UnescapeToken(lines[line][i]) : std::string();
    };
    User* user = s.dir.Find(id);
    if (!user) return Error(to, 300, t);
    auto ticket = s.tickets.find(token(0, 0));
    if (ticket == s.tickets.end() || ticket->second != LowerAscii(id)) return Error(to, 306, t);
    s.tickets.erase(ticket);  // a ticket serves one attempt
    if (token(1, 1) != "MD5") return Error(to, 395, t);
    if (LowerAscii(token(1, 0)) != CredentialDigest(id, user->password)) return Error(to, 301, t);

    char before = s.Presence(user->id);
    if (Connection* old = s.OnlineConn(user->id)) {
        // The same account signed in elsewhere: the older connection is told and let go.
        s.Send(*old, Out("KILL").Raw("0").Text("OTHER").Text("SIGNIN").Raw("N").Num(0).Num(0).Line());
        s.SignOut(*old, false);
        old->closeAfterFlush = true;
    }
    std::string letter = token(2, 0);
    c.user = user->id;
    c.signedIn = true;
    c.presence = IsPresenceLetter(letter) ? letter[0] : 'O';
    s.online[LowerAscii(user->id)] = c.id;

    Out payload("N");
    payload.Raw("0").Text("").Text("").Text(user->name).Text(user->nickname);
    for (int i = 7; i <= 13; ++i) payload.Text("");
    payload.Raw("N").Text(NowStamp()).Text("");
    Reply(to, Out("LIN2").Raw(t).WithPayload(payload.Line()));
    s.NotifyPresence(*user, before, c.presence);
}

void Protocol::SignedIn(Connection& c, User& me, const WireFrame& f) {
    const std::string& command = f.Command();
    const std::string& t = f.TrId();
    if (command == "PONG") {
        if (c.behaviour.answerPong) s.Send(c, Out("PONG").Raw(t).Line());
    } else if (command == "PING") {
        // the client's echo of our PING: nothing to answer
    } else if (command == "LOUT") {
        s.Drop(c);
    } else if (command == "LSTA") {
        List(c, me, f);
    } else if (command == "CRP2") {
        Carried(c, me, f);
    } else if (command == "CSES") {
        Cses(c, f);
    } else if (command == "LIN2") {
        s.Send(c, ErrorLine(302, t));
    } else {
        s.Send(c, ErrorLine(203, t));
    }
}

void Protocol::List(Connection& c, User& me, const WireFrame& f) {
    std::string payload = Out(std::to_string(me.groups.size())).Num(static_cast<long long>(me.roster.size())).Line();
    for (const Group& g : me.groups) {
        Out line("");
        line.Text(g.id).Text(g.name).Num(static_cast<long long>(g.keys.size()));
        for (const auto& key : g.keys) line.Text(key);
        payload += line.Line();
    }
    for (const RosterEntry& e : me.roster) {
        User* buddy = s.dir.Find(e.buddy);
        if (!buddy) continue;
        char letter = s.SeenLetter(*buddy, me, s.Presence(buddy->id));
        Out line("");
        line.Text(buddy->id).Raw("0").Text(e.key).Text("").Raw(FlagsToken(e.flags))
            .Raw(std::string(1, letter ? letter : 'F')).Text(buddy->name).Text(buddy->nickname)
            .Text(buddy->birthday).Raw(buddy->solar ? "1" : "0").Text(buddy->mobile)
            .Text(buddy->profile3).Text(buddy->profile4);
        payload += line.Line();
    }
    size_t size = std::max<size_t>(1, s.options.listPartSize);
    size_t parts = std::max<size_t>(1, (payload.size() + size - 1) / size);
    for (size_t i = 0; i < parts; ++i) {
        std::string chunk = payload.substr(i * size, size);
        s.Send(c, Out("LSTA").Raw(f.TrId()).Num(static_cast<long long>(i + 1))
                      .Num(static_cast<long long>(parts)).WithPayload(chunk));
    }
}

void Protocol::Carried(Connection& c, User& me, const WireFrame& f) {
    ReplyTo to{&c, true, f.TrId(), f.Arg(2), f.Arg(3)};
    WireFrame in;
    if (!ParseFrame(f.payload, in)) return s.Drop(c);  // an envelope must hold exactly one frame
    int code = 0;
    if (s.TakeOverride(s.silences, in.Command(), code)) return;
    if (s.TakeOverride(s.errorReplies, in.Command(), code)) return Error(to, code, in.TrId());
    Inner(c, me, to, in);
}

void Protocol::Inner(Connection& c, User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& command = in.Command();
    const std::string& t = in.TrId();
    if (command == "LOPT") {
        Reply(to, Out("LOPT").Raw(t).Line());
    } else if (command == "ONST") {
        std::string letter = in.Arg(2);
        if (!IsPresenceLetter(letter)) return Error(to, 202, t);
        char before = c.presence;
        c.presence = letter[0];
        Reply(to, Out("ONST").Raw(t).Line());
        s.NotifyPresence(me, before, c.presence);
    } else if (command == "CNIK") {
        me.nickname = in.Arg(2);
        Reply(to, Out("CNIK").Raw(t).Line());
        std::string notice = Out("NNIK").Raw("0").Text(me.id).Text(me.nickname).Line();
        for (auto& [lower, conn] : s.online) {
            Connection* other = s.Find(conn);
            User* viewer = other ? s.dir.Find(other->user) : nullptr;
            if (viewer && viewer != &me && s.SeenLetter(me, *viewer, c.presence)) s.Send(*other, notice);
        }
    } else if (command == "ADSB") {
        Adsb(me, to, in);
    } else if (command == "ADDB") {
        Addb(me, to, in);
    } else if (command == "RMVB") {
        Rmvb(me, to, in);
    } else if (command == "ADDG") {
        std::string name = in.Arg(3);
        if (name.empty()) return Error(to, 202, t);
        int top = -1;
        for (const Group& g : me.groups) top = std::max(top, ToInt(g.id, -1));
        me.groups.push_back({std::to_string(top + 1), name, {}});
        Reply(to, Out("ADDG").Raw(t).Num(static_cast<long long>(me.groups.size())).Text(me.groups.back().id).Line());
    } else if (command == "MVBG") {
        Mvbg(me, to, in);
    } else if (command == "RESS") {
        Room room;
        room.sid = std::to_string(s.nextRoom++);
        room.cookie = RandomHex(8);
        s.rooms[room.sid] = room;
        Reply(to, Out("RESS").Raw(t).Raw(kHost).Num(s.ports[1]).Text(room.cookie).Line());
    } else if (command == "CTOC") {
        User* target = s.dir.Find(in.Arg(2));
        if (!target) return Error(to, 304, t);
        Connection* tc = s.OnlineConn(target->id);
        if (!tc) return Error(to, 305, t);
        s.Send(*tc, Out("CTOC").Raw("0").Text(me.id).WithPayload(in.payload));
    } else if (command == "CMSG") {
        Cmsg(me, to, in);
    } else if (command == "WGET") {
        Wget(me, to, in);
    } else if (command == "ENTR") {
        Entr(c, me, to, in);
    } else if (command == "MESG") {
        Mesg(c, me, to, in);
    } else {
        Error(to, 203, t);
    }
}

void Protocol::NotifyPair(User& a, User& b, PairView before) {
    PairView after = View(a, b);
    if (after.aSeesB && after.aSeesB != before.aSeesB) ToUser(a.id, Ntfy(b, after.aSeesB));
    if (after.bSeesA && after.bSeesA != before.bSeesA) ToUser(b.id, Ntfy(a, after.bSeesA));
}

void Protocol::Adsb(User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    std::string state = in.Arg(2), key = in.Arg(3), gid = in.Arg(5);
    if (state == "REQST") {
        User* target = s.dir.Find(in.Arg(4));
        if (!target || target == &me) return Error(to, 304, t);
        Group* group = Directory::FindGroup(me, gid);
        if (!group) return Error(to, 202, t);
        RosterEntry* existing = s.dir.EntryFor(me, target->id);
        if (existing && (existing->flags & kForward)) return Error(to, 307, t);
        PairView before = View(me, *target);
        RosterEntry& mine = s.dir.Ensure(me, *target);
        mine.flags = (mine.flags | kForward | kAllow) & ~kBlock;
        mine.message.clear();
        std::string myKey = mine.key;
        Directory::RemoveFromGroups(me, myKey);
        group->keys.push_back(myKey);
        RosterEntry& theirs = s.dir.Ensure(*target, me);
        theirs.flags |= kReverse;
        theirs.message = in.Arg(6);
        Reply(to, Out("ADSB").Raw(t).Raw("REQST").Text(myKey).Text(target->name).Num(0).Text("").Line());
        if (!(theirs.flags & kBlock))
            ToUser(target->id, Out("ADDB").Raw("0").Raw("RL").Text(theirs.key).Text(me.id)
                                   .Text(theirs.message).Text("").Line());
        NotifyPair(me, *target, before);
        return;
    }
    RosterEntry* entry = s.dir.EntryByKey(me, key);
    User* other = entry ? s.dir.Find(entry->buddy) : nullptr;
    if (!other) return Error(to, 304, t);
    PairView before = View(me, *other);
    if (state == "ACCPT") {
        Group* group = Directory::FindGroup(me, gid);
        if (!group) return Error(to, 202, t);
        entry->flags = (entry->flags | kForward | kAllow) & ~kBlock;
        entry->message.clear();
        Directory::RemoveFromGroups(me, key);
        group->keys.push_back(key);
        s.dir.Ensure(*other, me).flags |= kReverse;
        Reply(to, Out("ADSB").Raw(t).Raw("ACCPT").Text(key).Text(other->name).Num(0).Text("").Line());
    } else if (state == "REJCT") {
        entry->flags = (entry->flags | kBlock) & ~kAllow;
        entry->message.clear();
        Reply(to, Out("ADSB").Raw(t).Raw("REJCT").Text(key).Text("").Line());
    } else {
        return Error(to, 202, t);
    }
    NotifyPair(me, *other, before);
}

void Protocol::Addb(User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    std::string kind = in.Arg(2);
    RosterEntry* entry = s.dir.EntryByKey(me, in.Arg(3));
    if (!entry) entry = s.dir.EntryFor(me, in.Arg(4));
    User* other = entry ? s.dir.Find(entry->buddy) : nullptr;
    if (!other) return Error(to, 304, t);
    PairView before = View(me, *other);
    if (kind == "BL") entry->flags = (entry->flags | kBlock) & ~kAllow;
    else if (kind == "AL") entry->flags = (entry->flags | kAllow) & ~kBlock;
    else return Error(to, 202, t);
    Reply(to, Out("ADDB").Raw(t).Text(entry->key).Text("").Line());
    NotifyPair(me, *other, before);
}

void Protocol::Rmvb(User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    std::string kind = in.Arg(2);
    unsigned bit = kind == "FL" ? kForward : kind == "AL" ? kAllow : kind == "BL" ? kBlock : 0;
    if (!bit) return Error(to, 202, t);
    RosterEntry* entry = s.dir.EntryByKey(me, in.Arg(3));
    if (!entry) entry = s.dir.EntryFor(me, in.Arg(4));
    User* other = entry ? s.dir.Find(entry->buddy) : nullptr;
    if (!other) return Error(to, 304, t);
    PairView before = View(me, *other);
    std::string key = entry->key;
    entry->flags &= ~bit;
    if (bit == kForward) {
        Directory::RemoveFromGroups(me, key);
        if (RosterEntry* theirs = s.dir.EntryFor(*other, me.id)) {
            theirs->flags &= ~kReverse;
            std::string theirKey = theirs->key;
            if (theirs->flags == 0) s.dir.RemoveEntry(*other, theirKey);
            ToUser(other->id, Out("RMVB").Raw("0").Raw("RL").Text(theirKey).Text(me.id).Line());
        }
    }
    if (entry->flags == 0) s.dir.RemoveEntry(me, key);
    Reply(to, Out("RMVB").Raw(t).Raw("OK").Line());
    NotifyPair(me, *other, before);
}

void Protocol::Mvbg(User& me, const ReplyTo& to, const WireFrame& in) {
    std::string results;
    for (const auto& item : PayloadLines(in.payload)) {
        if (item.size() < 5) continue;
        RosterEntry* entry = s.dir.EntryByKey(me, UnescapeToken(item[1]));
        Group* group = Directory::FindGroup(me, UnescapeToken(item[4]));
        int code = entry && group ? 100 : 202;
        if (code == 100) {
            Directory::RemoveFromGroups(me, entry->key);
            group->keys.push_back(entry->key);
        }
        results += Out(item[0]).Num(code).Line();
    }
    Reply(to, Out("MVBG").Raw(in.TrId()).Raw("0").WithPayload(results));
}

void Protocol::Cmsg(User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    const std::string& payload = in.payload;
    size_t lf = payload.find('\n');
    if (lf == std::string::npos) return Error(to, 201, t);
    std::string block = payload.substr(lf + 1);
    size_t blockLf = block.find('\n');
    std::string first = block.substr(0, blockLf);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first != "IMSG" || blockLf == std::string::npos) return Error(to, 202, t);
    std::map<std::string, std::string> headers;
    size_t pos = blockLf + 1;
    std::string body;
    bool ended = false;
    while (pos <= block.size()) {
        size_t end = block.find('\n', pos);
        std::string line = block.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            body = end == std::string::npos ? std::string() : block.substr(end + 1);
            ended = true;
            break;
        }
        size_t colon = line.find(':');
        if (colon != std::string::npos) headers[line.substr(0, colon)] = UnescapeToken(line.substr(colon + 1));
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    if (!ended) return Error(to, 202, t);

    std::vector<std::string> failed;
    std::vector<User*> recipients;
    for (const auto& token : SplitTokens(std::string_view(payload).substr(0, lf))) {
        std::string id = UnescapeToken(token);
        if (id.empty()) continue;
        User* user = s.dir.Find(id);
        if (!user) failed.push_back(id);
        else if (std::find(recipients.begin(), recipients.end(), user) == recipients.end()) recipients.push_back(user);
    }
    if (!recipients.empty()) {
        Memo memo;
        auto header = [&](const char* key, const std::string& fallback) {
            auto it = headers.find(key);
            return it == headers.end() || it->second.empty() ? fallback : it->second;
        };
        memo.from = me.id;
        std::string refs;
        for (User* user : recipients) refs += (refs.empty() ? "" : ";") + user->id;
        memo.refs = header("ref", refs);
        memo.body = body;
        // The body arrives as the client wrote it, escaped; the title is read text.
        memo.title = header("title", TitleFromBody(UnescapeToken(body)));
        memo.confirm = header("confirm", "0");
        memo.date = IsStamp(header("date", "")) ? header("date", "") : NowStamp();
        memo.event = header("event", "NW");
        memo.fontName = header("font-name", "");
        memo.fontSize = header("font-size", "9");
        memo.fontColor = header("font-color", "#000000");
        memo.fontStyle = header("font-style", "");
        memo.contentType = header("contenttype", "text");
        Memo& stored = s.dir.AddMemo(memo);
        me.sent.push_front({stored.seq, true});
        std::string push = Out("CMSG").Raw("0").Text(me.id).WithPayload(stored.ImsgBlock());
        for (User* user : recipients) {
            user->inbox.push_front({stored.seq, false});
            ToUser(user->id, push);
        }
    }
    Out list("");
    for (const auto& id : failed) list.Text(id);
    Reply(to, Out("CMSG").Raw(t).WithPayload(list.Joined()));
}

void Protocol::WgetReply(const ReplyTo& to, const std::string& trid, const std::string& kind, int code,
                         const std::string& payload) {
    size_t size = s.options.memoPartSize;
    size_t parts = size == 0 ? 1 : std::max<size_t>(1, (payload.size() + size - 1) / size);
    for (size_t i = 0; i < parts; ++i) {
        std::string chunk = size == 0 ? payload : payload.substr(i * size, size);
        Reply(to, Out("WGET").Raw(trid).Text(kind).Num(static_cast<long long>(parts))
                      .Num(static_cast<long long>(i + 1)).Num(code).WithPayload(chunk));
    }
}

void Protocol::Wget(User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    std::string kind = in.Arg(2);
    int code = 0;
    if (s.TakeOverride(s.memoCodes, kind, code)) return WgetReply(to, t, kind, code, "");
    auto params = FormParams(in.payload);
    auto boxOf = [&](const std::string& type) -> std::deque<BoxItem>* {
        if (type == "R") return &me.inbox;
        if (type == "S") return &me.sent;
        return nullptr;
    };
    // The memo named by cookie in the box (either box when the type names none).
    auto locate = [&](const std::string& type, const std::string& cookie, std::deque<BoxItem>*& box) -> long {
        for (auto* candidate : {&me.inbox, &me.sent}) {
            if (boxOf(type) && boxOf(type) != candidate) continue;
            for (size_t i = 0; i < candidate->size(); ++i) {
                Memo* memo = s.dir.FindMemo((*candidate)[i].memo);
                if (memo && memo->cookie == cookie) {
                    box = candidate;
                    return static_cast<long>(i);
                }
            }
        }
        return -1;
    };
    if (kind == "MEMOLST2") {
        std::string type = params["boxtype"];
        std::deque<BoxItem>* box = type == "1" ? &me.inbox : type == "3" ? &me.sent : nullptr;
        if (!box) return WgetReply(to, t, kind, 201, "");
        int page = std::max(1, ToInt(params["requestpage"], 1));
        int count = ToInt(params["count"], 10);
        if (count < 1 || count > 100) count = 10;
        long long total = static_cast<long long>(box->size());
        long long pages = std::max<long long>(1, (total + count - 1) / count);
        std::string payload = Out(std::to_string(page)).Raw("1").Num(pages).Line();
        for (long long i = static_cast<long long>(page - 1) * count; i < std::min(total, static_cast<long long>(page) * count); ++i) {
            const BoxItem& item = (*box)[static_cast<size_t>(i)];
            Memo* memo = s.dir.FindMemo(item.memo);
            if (!memo) continue;
            // The column the client shows as the row's sender: in the sent box, whom it went to.
            const std::string shown = box == &me.sent ? memo->refs.substr(0, memo->refs.find(';')) : memo->from;
            payload += Out(std::to_string(memo->seq)).Text(shown).Text(memo->title).Text(memo->date)
                           .Raw(item.read ? "1" : "0").Raw("1").Text(memo->cookie).Line();
        }
        WgetReply(to, t, kind, 100, payload);
    } else if (kind == "MEMOCNT2") {
        long long unread = std::count_if(me.inbox.begin(), me.inbox.end(), [](const BoxItem& i) { return !i.read; });
        WgetReply(to, t, kind, 100, std::to_string(unread));
    } else if (kind == "MEMOGET2") {
        std::deque<BoxItem>* box = nullptr;
        long at = locate(params["box_type"], params["cookie"], box);
        if (at < 0) return WgetReply(to, t, kind, 202, "");
        BoxItem& item = (*box)[static_cast<size_t>(at)];
        item.read = true;
        WgetReply(to, t, kind, 100, s.dir.FindMemo(item.memo)->ImsgBlock());
    } else if (kind == "MEMODEL1" || kind == "MEMOSPM1") {
        std::deque<BoxItem>* box = nullptr;
        long at = locate(kind == "MEMOSPM1" ? "R" : params["box_type"], params["cookie"], box);
        if (at < 0) return WgetReply(to, t, kind, 202, "");
        box->erase(box->begin() + at);
        WgetReply(to, t, kind, 100, "");
    } else if (kind == "MEMOREL1") {
        WgetReply(to, t, kind, 100, "Y");
    } else {
        WgetReply(to, t, kind, 201, "");
    }
}

void Protocol::Cses(Connection& c, const WireFrame& f) {
    ReplyTo to = Plain(c);
    const std::string& t = f.TrId();
    std::string op = f.Arg(2);
    if (op == "CONN") {
        auto lines = PayloadLines(f.payload);
        std::string cookie = !lines.empty() && lines[0].size() >= 3 ? UnescapeToken(lines[0][2]) : std::string();
        for (auto& [sid, room] : s.rooms) {
            if (room.cookie == cookie && !cookie.empty()) {
                Out payload("SS");
                payload.Text(sid).Raw(kHost).Num(s.ports[1]).Text(cookie);
                return Reply(to, Out("CSES").Raw(t).Raw("CONN").WithPayload(payload.Joined()));
            }
        }
        Error(to, 270, t);
    } else if (op == "KILL") {
        std::string sid = f.Arg(4);
        if (!sid.empty()) LeaveRoom(c, sid);
        Reply(to, Out("CSES").Raw(t).Raw("KILL").WithPayload(Out("").Text("").Raw("Y").Joined()));
    } else if (op == "LIST" || op == "INFO") {
        Reply(to, Out("CSES").Raw(t).Raw(op).WithPayload(""));
    } else {
        Error(to, 202, t);
    }
}

void Protocol::Entr(Connection& c, User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    auto it = s.rooms.find(to.target);
    if (it == s.rooms.end() || it->second.cookie != in.Arg(5)) return Error(to, 270, t);
    Room& room = it->second;
    std::string sid = room.sid;
    bool member = std::any_of(room.members.begin(), room.members.end(),
                              [&](const RoomMember& m) { return m.conn == c.id; });
    if (member) return Reply(to, Out("ENTR").Raw(t).Line());
    RoomMember self{c.id, me.id, in.Arg(3).empty() ? me.nickname : in.Arg(3),
                    in.Arg(4).empty() ? me.name : in.Arg(4)};
    std::vector<RoomMember> others;
    for (const auto& m : room.members)
        if (LowerAscii(m.id) != LowerAscii(me.id)) others.push_back(m);
    long long index = 1;
    for (const auto& m : others)
        s.Send(c, Envelope("0", "SS", sid,
                           Out("USER").Raw("0").Num(index++).Num(static_cast<long long>(others.size()))
                               .Text(m.id).Text(m.nickname).Text(m.name).Text("").Raw("1").Line()));
    Reply(to, Out("ENTR").Raw(t).Line());
    std::string join = Envelope("0", "SS", sid, Out("JOIN").Raw("0").Text(self.id).Text(self.nickname)
                                                     .Text(self.name).Text("").Raw("1").Line());
    for (const auto& m : others)
        if (Connection* mc = s.Find(m.conn)) s.Send(*mc, join);
    room.members.push_back(self);
    c.rooms.insert(sid);
}

void Protocol::Mesg(Connection& c, User& me, const ReplyTo& to, const WireFrame& in) {
    const std::string& t = in.TrId();
    auto it = s.rooms.find(to.target);
    if (it == s.rooms.end()) return Error(to, 270, t);
    Room& room = it->second;
    if (std::none_of(room.members.begin(), room.members.end(), [&](const RoomMember& m) { return m.conn == c.id; }))
        return Error(to, 270, t);
    std::string kind = in.Arg(2);
    std::string relay;
    if (kind == "MSG" || kind == "AWAYMSG") {
        // The styled text is relayed as the sender wrote it; a sender whose text holds "%" escapes
        // it once more itself, because the receiver reads the text twice. Only its four parts are
        // checked.
        std::string styled = in.Arg(3);
        size_t a = styled.find('\t');
        size_t b = a == std::string::npos ? a : styled.find('\t', a + 1);
        size_t d = b == std::string::npos ? b : styled.find('\t', b + 1);
        if (d == std::string::npos) return Error(to, 201, t);
        relay = Out("MESG").Raw("0").Text(me.id).Raw(kind).Text(styled).Line();
    } else if (kind == "TYPING") {
        relay = Out("MESG").Raw("0").Text(me.id).Raw("TYPING").Text(in.Arg(3)).Line();
    } else {
        return Error(to, 202, t);
    }
    std::string frame = Envelope("0", "SS", room.sid, relay);
    for (const auto& m : room.members)
        if (m.conn != c.id && LowerAscii(m.id) != LowerAscii(me.id))
            if (Connection* mc = s.Find(m.conn)) s.Send(*mc, frame);
    Reply(to, Out("MESG").Raw(t).Line());
}

void Protocol::LeaveRoom(Connection& c, const std::string& sid) {
    c.rooms.erase(sid);
    auto it = s.rooms.find(sid);
    if (it == s.rooms.end()) return;
    auto& members = it->second.members;
    auto gone = std::find_if(members.begin(), members.end(), [&](const RoomMember& m) { return m.conn == c.id; });
    if (gone == members.end()) return;
    std::string id = gone->id;
    members.erase(gone);
    std::string quit = Envelope("0", "SS", sid, Out("QUIT").Raw("0").Text(id).Text("").Line());
    for (const auto& m : members)
        if (LowerAscii(m.id) != LowerAscii(id))
            if (Connection* mc = s.Find(m.conn)) s.Send(*mc, quit);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TestService::Impl::OnFrame(Connection& c, const WireFrame& f) { Protocol(*this).OnFrame(c, f); }

void TestService::Impl::SignOut(Connection& c, bool offline) {
    Protocol protocol(*this);
    std::set<std::string> entered = c.rooms;
    for (const auto& sid : entered) protocol.LeaveRoom(c, sid);
    c.signedIn = false;
    auto it = online.find(LowerAscii(c.user));
    if (it == online.end() || it->second != c.id) return;
    online.erase(it);
    if (User* user = dir.Find(c.user); user && offline) NotifyPresence(*user, c.presence, 'F');
}

Connection* TestService::Impl::OnlineConn(const std::string& id) {
    auto it = online.find(LowerAscii(id));
    return it == online.end() ? nullptr : Find(it->second);
}

char TestService::Impl::Presence(const std::string& id) {
    Connection* c = OnlineConn(id);
    return c ? c->presence : 'F';
}

// What viewer sees of subject: 0 when viewer does not keep subject as a buddy; "F" while subject is
// away, hides (X) or does not allow viewer; else subject's own letter.
char TestService::Impl::SeenLetter(User& subject, User& viewer, char subjectPresence) {
    RosterEntry* kept = dir.EntryFor(viewer, subject.id);
    if (!kept || !(kept->flags & kForward)) return 0;
    RosterEntry* allows = dir.EntryFor(subject, viewer.id);
    bool allowed = allows && (allows->flags & kAllow) && !(allows->flags & kBlock);
    if (!allowed || subjectPresence == 'X') return 'F';
    return subjectPresence;
}

void TestService::Impl::NotifyPresence(User& subject, char before, char after) {
    for (auto& [lower, conn] : online) {
        Connection* c = Find(conn);
        User* viewer = c ? dir.Find(c->user) : nullptr;
        if (!viewer || viewer == &subject) continue;
        char was = SeenLetter(subject, *viewer, before);
        char now = SeenLetter(subject, *viewer, after);
        if (now && now != was)
            Send(*c, Out("NTFY").Raw("0").Text(subject.id).Raw(std::string(1, now)).Raw("0").Text("").Raw("1").Line());
    }
}

void TestService::Impl::OnHttp(Connection& c) {
    constexpr size_t kMaxHead = 16 * 1024;
    size_t end = c.in.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (c.in.size() > kMaxHead) Drop(c);
        return;
    }
    if (c.closeAfterFlush) return;
    std::string head = c.in.substr(0, end + 4);
    c.in.clear();
    Record(c, true, head);
    auto first = SplitTokens(std::string_view(head).substr(0, head.find('\n')));
    std::string method = first.size() > 0 ? first[0] : "";
    std::string path = first.size() > 1 ? first[1] : "";
    if (path.rfind("http://", 0) == 0) {
        size_t slash = path.find('/', 7);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    const size_t question = path.find('?');
    const std::string query = question == std::string::npos ? "" : path.substr(question + 1);
    path = path.substr(0, question);
    std::string status = "200 OK", type = "application/octet-stream", body;
    if (method != "GET" && method != "HEAD") {
        status = "405 Method Not Allowed";
    } else if (path == kManifestPath) {
        type = "text/plain; charset=utf-8";
        body = "[main]\r\nmsg=" + EscapeToken(upgradeMessage) + "\r\nurl=http://" + kHost + ":" +
               std::to_string(ports[2]) + kPackagePath + "\r\n";
    } else if (path == kPackagePath) {
        body = upgradePackage;
    } else if (path == "/index.php") {
        // The web pages the client's status bar links to, named by their code.
        std::string code;
        for (size_t at = 0; at <= query.size();) {
            const size_t end = std::min(query.find('&', at), query.size());
            if (query.compare(at, 5, "code=") == 0) code = query.substr(at + 5, end - at - 5);
            at = end + 1;
        }
        type = "text/plain; charset=utf-8";
        body = "Tevrik web page " + code + "\n";
    } else {
        status = "404 Not Found";
    }
    if (status != "200 OK") {
        type = "text/plain";
        body = status + "\n";
    }
    std::string response = "HTTP/1.0 " + status + "\r\nContent-Type: " + type +
                           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    if (method != "HEAD") response += body;
    Send(c, response);
    c.closeAfterFlush = true;
}

}  // namespace tevrik_service
