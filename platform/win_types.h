// The handful of Windows CE scalar and handle types that the framework's calls are written in.
// Everything here is our own stand-in; only the names follow the system the design came from.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using WCHAR = wchar_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using LPCSTR = const char*;
using LPVOID = void*;

// Pointer-sized message parameters: a peer pointer travels in WPARAM.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are opaque; a window handle is a number that is never reused during a run.
struct HWND__;
using HWND = HWND__*;
struct HKEY__;
using HKEY = HKEY__*;
using HANDLE = void*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

inline constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }

// Pointer-sized integers, the window-class handles and the endless wait.
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using ATOM = WORD;
struct HICON__;
using HICON = HICON__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HMENU__;
using HMENU = HMENU__*;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

// A colour as 0x00BBGGRR: red in the low byte.
using COLORREF = DWORD;
