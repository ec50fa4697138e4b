#include "tools/service/Wire.h"

#include <array>

namespace tevrik_service {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsCommandChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

const std::string kEmpty;

}  // namespace

std::string EscapeToken(std::string_view text) {
    if (text.empty()) return "%00";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '%': out += "%25"; break;
            case ' ': out += "%20"; break;
            case '\t': out += "%09"; break;
            case '\r': out += "%0d"; break;
            case '\n': out += "%0a"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UnescapeToken(std::string_view token) {
    std::string out;
    out.reserve(token.size());
    for (size_t i = 0; i < token.size(); ++i) {
        if (token[i] == '%' && i + 2 < token.size() && HexValue(token[i + 1]) >= 0 &&
            HexValue(token[i + 2]) >= 0) {
            char c = static_cast<char>(HexValue(token[i + 1]) * 16 + HexValue(token[i + 2]));
            if (c != 0) out += c;
            i += 2;
        } else {
            out += token[i];
        }
    }
    return out;
}

std::vector<std::string> SplitTokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::string current;
    bool any = false;
    for (char c : line) {
        if (c == '\r') continue;
        any = true;
        if (c == ' ' || c == '\t') {
            tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (any) tokens.push_back(current);
    return tokens;
}

bool IsPayloadCommand(std::string_view command) {
    // LOPT is not framed by a count on the client's side, but its line does end with the byte
    // count of the option text that follows it.
    static const std::array<std::string_view, 9> kCommands = {"CMSG", "CRP2", "CSES", "CTOC", "LIN2",
                                                               "LOPT", "LSTA", "MVBG", "WGET"};
    for (auto c : kCommands)
        if (c == command) return true;
    return false;
}

bool ParseCount(std::string_view token, uint64_t& value) {
    if (token.empty() || token.size() > 12) return false;
    uint64_t v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    value = v;
    return true;
}

Cut CutFrame(std::string_view bytes, size_t& length, std::string* why) {
    auto bad = [&](const char* text) {
        if (why) *why = text;
        return Cut::Bad;
    };
    size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos) {
        if (bytes.size() > kMaxLineBytes) return bad("line longer than the limit");
        return Cut::NeedMore;
    }
    if (lf + 1 > kMaxLineBytes) return bad("line longer than the limit");
    std::string_view line = bytes.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t sp = line.find(' ');
    std::string_view command = line.substr(0, sp);
    bool numeric = !command.empty();
    for (char c : command) numeric = numeric && c >= '0' && c <= '9';
    if (!numeric) {
        if (command.size() != 4) return bad("not a command");
        for (char c : command)
            if (!IsCommandChar(c)) return bad("not a command");
    }
    if (numeric || !IsPayloadCommand(command)) {
        length = lf + 1;
        return Cut::Frame;
    }
    size_t last = line.rfind(' ');
    if (last == std::string_view::npos) return bad("payload line without a count");
    uint64_t count = 0;
    if (!ParseCount(line.substr(last + 1), count)) return bad("payload count is not a number");
    if (count > kMaxPayloadBytes) return bad("payload count beyond the limit");
    size_t total = lf + 1 + static_cast<size_t>(count);
    if (bytes.size() < total) return Cut::NeedMore;
    length = total;
    return Cut::Frame;
}

const std::string& WireFrame::Command() const { return tokens.empty() ? kEmpty : tokens[0]; }
const std::string& WireFrame::TrId() const { return tokens.size() < 2 ? kEmpty : tokens[1]; }
std::string WireFrame::Arg(size_t n) const {
    return n < tokens.size() ? UnescapeToken(tokens[n]) : std::string();
}

bool ParseFrame(std::string_view bytes, WireFrame& frame) {
    size_t length = 0;
    if (CutFrame(bytes, length) != Cut::Frame || length != bytes.size()) return false;
    size_t lf = bytes.find('\n');
    frame.bytes.assign(bytes);
    frame.tokens = SplitTokens(bytes.substr(0, lf));
    frame.payload.assign(bytes.substr(lf + 1));
    return true;
}

Out& Out::Text(std::string_view text) { return Raw(EscapeToken(text)); }

Out& Out::Raw(std::string_view token) {
    if (!line_.empty()) line_ += ' ';
    line_ += token;
    return *this;
}

Out& Out::Num(long long value) { return Raw(std::to_string(value)); }

std::string Out::Line() const { return line_ + "\r\n"; }

std::string Out::WithPayload(std::string_view payload) const {
    std::string s = line_;
    s += ' ';
    s += std::to_string(payload.size());
    s += "\r\n";
    s += payload;
    return s;
}

std::string Envelope(std::string_view trid, std::string_view route, std::string_view target,
                     std::string_view inner) {
    return Out("CRP2").Raw(trid).Raw(route).Text(target).WithPayload(inner);
}

}  // namespace tevrik_service
