#include "messenger/protocol/TokenSets.h"

#include <iterator>

namespace {

// A set's tokens indexed by value, 0 upwards.
template <size_t N>
const wchar_t* TokenOf(const wchar_t* const (&tokens)[N], int value) {
    return value >= 0 && static_cast<size_t>(value) < N ? tokens[value] : kUnknownToken;
}

template <size_t N>
int ValueOf(const wchar_t* const (&tokens)[N], std::wstring_view token, int other) {
    for (size_t i = 0; i < N; ++i) {
        if (token == tokens[i]) return static_cast<int>(i);
    }
    return other;
}

const wchar_t* const kAuthMethods[] = {L"MD5", L"OTP"};
const wchar_t* const kListKinds[] = {L"FL", L"AL", L"BL", L"RL"};
const wchar_t* const kPresenceLetters[] = {L"O", L"A", L"M", L"P", L"B", L"X", L"F"};
const wchar_t* const kRequestStates[] = {L"REQST", L"ACCPT", L"REJCT"};
const wchar_t* const kRouteKinds[] = {L"DP", L"SS"};
const wchar_t* const kTypingStates[] = {L"0", L"1", L"2"};
const wchar_t* const kTailCodes[] = {L"1", L"2"};
const wchar_t* const kSessionOps[] = {L"LIST", L"INFO", L"KILL", L"CONN"};
const wchar_t* const kCtocKinds[] = {L"U", L"A", L"N"};
const wchar_t* const kCharsets[] = {L"ANSI", L"UTF8"};
const wchar_t* const kEnterKinds[] = {L"P", L"C"};
const wchar_t* const kMessageKinds[] = {L"TYPING", L"MSG", L"AWAYMSG"};
const wchar_t* const kContentTypes[] = {L"text", L"html", L"rtf", L"flsh"};
const wchar_t* const kMemoRequestKinds[] = {L"MEMOLST2", L"MEMOCNT2", L"MEMOGET2",
                                            L"MEMOREL1", L"MEMODEL1", L"MEMOSPM1"};
const wchar_t* const kMemoListTypes[] = {L"1", L"3"};
const wchar_t* const kMemoBoxes[] = {L"R", L"S", L"A"};
const wchar_t* const kMemoEvents[] = {L"NW", L"FW", L"RE", L"AL"};
const wchar_t* const kUpgradeAnswers[] = {L"Y", L"N", L"F"};
const wchar_t* const kLoginKinds[] = {L"N", L"C"};

}  // namespace

const wchar_t* Bool01Token(int value) { return value != 0 ? L"1" : L"0"; }
bool ParseBool01(std::wstring_view token) { return token == L"1"; }
const wchar_t* BoolYNToken(int value) { return value != 0 ? L"Y" : L"N"; }
bool ParseBoolYN(std::wstring_view token) { return token == L"Y"; }

const wchar_t* AuthMethodToken(int value) { return TokenOf(kAuthMethods, value); }

const wchar_t* ListKindToken(int value) { return TokenOf(kListKinds, value); }
int ParseListKind(std::wstring_view token) { return ValueOf(kListKinds, token, 4); }

const wchar_t* PresenceLetterToken(int value) { return TokenOf(kPresenceLetters, value); }
int ParsePresenceLetter(std::wstring_view token) { return ValueOf(kPresenceLetters, token, 7); }

const wchar_t* RequestStateToken(int value) { return TokenOf(kRequestStates, value); }
int ParseRequestState(std::wstring_view token) { return ValueOf(kRequestStates, token, 3); }

const wchar_t* RouteKindToken(int value) { return TokenOf(kRouteKinds, value); }
int ParseRouteKind(std::wstring_view token) { return ValueOf(kRouteKinds, token, 2); }

const wchar_t* TypingStateToken(int value) { return TokenOf(kTypingStates, value); }
int ParseTypingState(std::wstring_view token) { return ValueOf(kTypingStates, token, 3); }

const wchar_t* TailCodeToken(int value) { return TokenOf(kTailCodes, value); }
int ParseTailCode(std::wstring_view token) { return token == L"1" ? 0 : 2; }

const wchar_t* SessionOpToken(int value) { return TokenOf(kSessionOps, value); }
int ParseSessionOp(std::wstring_view token) { return ValueOf(kSessionOps, token, 4); }

const wchar_t* CtocKindToken(int value) { return TokenOf(kCtocKinds, value); }
const wchar_t* CharsetToken(int value) { return TokenOf(kCharsets, value); }
const wchar_t* EnterKindToken(int value) { return TokenOf(kEnterKinds, value); }

const wchar_t* MessageKindToken(int value) { return TokenOf(kMessageKinds, value); }
int ParseMessageKind(std::wstring_view token) { return ValueOf(kMessageKinds, token, 3); }

const wchar_t* ContentTypeToken(int value) { return TokenOf(kContentTypes, value); }
int ParseContentType(std::wstring_view token) { return ValueOf(kContentTypes, token, 4); }

const wchar_t* MemoRequestKindToken(int value) { return TokenOf(kMemoRequestKinds, value); }
int ParseMemoRequestKind(std::wstring_view token) { return ValueOf(kMemoRequestKinds, token, 6); }

const wchar_t* MemoListTypeToken(int value) { return TokenOf(kMemoListTypes, value); }

const wchar_t* MemoBoxToken(int value) { return TokenOf(kMemoBoxes, value); }
int ParseMemoBox(std::wstring_view token) { return ValueOf(kMemoBoxes, token, 3); }

const wchar_t* MemoEventToken(int value) { return TokenOf(kMemoEvents, value); }
int ParseMemoEvent(std::wstring_view token) { return ValueOf(kMemoEvents, token, 4); }

int ParseUpgradeAnswer(std::wstring_view token) { return ValueOf(kUpgradeAnswers, token, 3); }
int ParseLoginKind(std::wstring_view token) { return ValueOf(kLoginKinds, token, 2); }

std::wstring_view FontStyleLetters(uint32_t style) {
    // Every combination of the four bits, in B, I, U, S order.
    static const wchar_t* const kCombinations[16] = {
        L"",   L"B",   L"I",   L"BI",   L"U",   L"BU",   L"IU",   L"BIU",
        L"S",  L"BS",  L"IS",  L"BIS",  L"US",  L"BUS",  L"IUS",  L"BIUS",
    };
    return kCombinations[style & 0xF];
}

uint32_t ParseFontStyle(std::wstring_view token) {
    uint32_t style = 0;
    for (wchar_t c : token) {
        if (c == L'B') style |= kFontBold;
        else if (c == L'I') style |= kFontItalic;
        else if (c == L'U') style |= kFontUnderline;
        else if (c == L'S') style |= kFontStrikeOut;
    }
    return style;
}

uint32_t ParseFlags(std::wstring_view token) {
    uint32_t flags = 0;
    for (size_t i = 0; i < 4 && i < token.size(); ++i) {
        if (token[i] == L'1') flags |= 1u << i;
    }
    return flags;
}
