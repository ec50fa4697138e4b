// The tables that turn the program's enumerations into wire tokens and back. A writer given a value
// outside its table gives "Unknown"; a parser given a token outside its table gives the set's
// "other" value (noted for each). Comparisons are exact and case-sensitive.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr const wchar_t* kUnknownToken = L"Unknown";

// "1" / "0"; any non-zero value is true; any token but "1" is false.
const wchar_t* Bool01Token(int value);
bool ParseBool01(std::wstring_view token);
// "Y" / "N"; any token but "Y" is false.
const wchar_t* BoolYNToken(int value);
bool ParseBoolYN(std::wstring_view token);

// 0 "MD5", 1 "OTP".
const wchar_t* AuthMethodToken(int value);
// 0 "FL", 1 "AL", 2 "BL", 3 "RL"; other 4.
const wchar_t* ListKindToken(int value);
int ParseListKind(std::wstring_view token);
// Presence codes: 0 "O", 1 "A", 2 "M", 3 "P", 4 "B", 5 "X", 6 "F"; other 7 (presence not known).
const wchar_t* PresenceLetterToken(int value);
int ParsePresenceLetter(std::wstring_view token);
// 0 "REQST", 1 "ACCPT", 2 "REJCT"; other 3.
const wchar_t* RequestStateToken(int value);
int ParseRequestState(std::wstring_view token);
// 0 "DP", 1 "SS"; other 2.
const wchar_t* RouteKindToken(int value);
int ParseRouteKind(std::wstring_view token);
// 0 "0", 1 "1", 2 "2"; other 3.
const wchar_t* TypingStateToken(int value);
int ParseTypingState(std::wstring_view token);
// 0 "1", 1 "2"; the token "1" parses to 0 and every other token, "2" included, to 2.
const wchar_t* TailCodeToken(int value);
int ParseTailCode(std::wstring_view token);
// 0 "LIST", 1 "INFO", 2 "KILL", 3 "CONN"; other 4.
const wchar_t* SessionOpToken(int value);
int ParseSessionOp(std::wstring_view token);
// 0 "U", 1 "A", 2 "N".
const wchar_t* CtocKindToken(int value);
// 0 "ANSI", 1 "UTF8".
const wchar_t* CharsetToken(int value);
// 0 "P", 1 "C".
const wchar_t* EnterKindToken(int value);
// 0 "TYPING", 1 "MSG", 2 "AWAYMSG"; other 3.
const wchar_t* MessageKindToken(int value);
int ParseMessageKind(std::wstring_view token);
// 0 "text", 1 "html", 2 "rtf", 3 "flsh"; other 4.
const wchar_t* ContentTypeToken(int value);
int ParseContentType(std::wstring_view token);
// 0 "MEMOLST2", 1 "MEMOCNT2", 2 "MEMOGET2", 3 "MEMOREL1", 4 "MEMODEL1", 5 "MEMOSPM1"; other 6.
const wchar_t* MemoRequestKindToken(int value);
int ParseMemoRequestKind(std::wstring_view token);
// 0 "1", 1 "3".
const wchar_t* MemoListTypeToken(int value);
// 0 "R", 1 "S", 2 "A"; other 3.
const wchar_t* MemoBoxToken(int value);
int ParseMemoBox(std::wstring_view token);
// 0 "NW", 1 "FW", 2 "RE", 3 "AL"; other 4.
const wchar_t* MemoEventToken(int value);
int ParseMemoEvent(std::wstring_view token);
// "Y" 0 (a newer client is offered), "N" 1 (none), "F" 2 (a newer client is required); other 3.
int ParseUpgradeAnswer(std::wstring_view token);
// "N" 0, "C" 1; other 2.
int ParseLoginKind(std::wstring_view token);

// Font style bits: 1 bold "B", 2 italic "I", 4 underline "U", 8 strike-out "S".
enum : uint32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };
// The letters of the set bits in the order B, I, U, S; empty when no bit is set.
std::wstring_view FontStyleLetters(uint32_t style);
// Each of B, I, U, S anywhere in the token sets its bit.
uint32_t ParseFontStyle(std::wstring_view token);

// The list flags of a buddy record: four places of "0"/"1", a "1" in the first to fourth place
// setting bit 1, 2, 4, 8. Missing places count as "0"; places past the fourth are ignored.
uint32_t ParseFlags(std::wstring_view token);
