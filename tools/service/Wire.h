// The service's own reading and writing of the line protocol. It shares nothing with the client's
// codec on purpose: a fault in one cannot then hide behind the same fault in the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tevrik_service {

// Limits that keep a hostile peer from making the service buffer without end.
constexpr size_t kMaxLineBytes = 64 * 1024;
constexpr size_t kMaxPayloadBytes = 1024 * 1024;

// Escapes %, SP, TAB, CR and LF as %xx (lower-case hex); an empty text becomes "%00".
std::string EscapeToken(std::string_view text);
// Undoes any %xx (either case); %00 adds nothing; a "%" without two hex digits is kept as it is.
std::string UnescapeToken(std::string_view token);

// Splits a line (CR bytes dropped) at each SP or TAB; two separators in a row give an empty token.
std::vector<std::string> SplitTokens(std::string_view line);

// True for the commands whose line ends with the byte count of a payload.
bool IsPayloadCommand(std::string_view command);

// Parses a decimal count of at most 12 digits (nothing else); false otherwise.
bool ParseCount(std::string_view token, uint64_t& value);

enum class Cut { NeedMore, Frame, Bad };

// Looks for one complete frame at the start of the bytes. On Frame, length is its size; on Bad,
// why says what was wrong (a line that is too long, a command that is not one, a huge count).
Cut CutFrame(std::string_view bytes, size_t& length, std::string* why = nullptr);

// One frame taken apart: the tokens of its line (still escaped) and its payload bytes.
struct WireFrame {
    std::string bytes;
    std::vector<std::string> tokens;
    std::string payload;

    const std::string& Command() const;
    const std::string& TrId() const;
    // The n-th token unescaped (0 is the command); empty when absent.
    std::string Arg(size_t n) const;
    size_t Count() const { return tokens.size(); }
};

// Takes apart bytes that CutFrame accepted as one whole frame. False when they are not exactly one.
bool ParseFrame(std::string_view bytes, WireFrame& frame);

// Writes one frame: tokens joined by one SP, CRLF, and for a payload the byte count as the last
// token of the line followed by the raw payload bytes.
class Out {
public:
    explicit Out(std::string_view command) { Raw(command); }
    Out& Text(std::string_view text);      // escaped
    Out& Raw(std::string_view token);      // written as it stands
    Out& Num(long long value);
    const std::string& Joined() const { return line_; }  // the tokens without a line end
    std::string Line() const;              // the line and its CRLF
    std::string WithPayload(std::string_view payload) const;

private:
    std::string line_;
};

// A CRP2 envelope around a frame: "CRP2 <trid> <route> <target> <count>\r\n" + frame.
std::string Envelope(std::string_view trid, std::string_view route, std::string_view target,
                     std::string_view inner);

}  // namespace tevrik_service
