// The input method calls: one input context per window holding its conversion word.
//
// Rules that callers may rely on:
// - ImmGetContext answers the window's context (the same one every time) and null for a handle
//   that is not a window; releasing it changes nothing.
// - The conversion word starts at IME_CMODE_ALPHANUMERIC (0) and the sentence word at 0. Only bit
//   IME_CMODE_NATIVE decides what typing does (see platform/windows/input.h); every other bit is kept as
//   written.
// - Turning the native bit off while a syllable is being composed finishes the composition first
//   (its result and WM_IME_ENDCOMPOSITION reach the window as input).
// - ImmNotifyIME with NI_COMPOSITIONSTR and CPS_CANCEL drops what is being composed at once and
//   sends nothing: a window that showed the composition keeps what it showed. It is the only
//   notification taken.
//
// What a composition looks like to the window, in order:
//   WM_IME_STARTCOMPOSITION
//   WM_IME_COMPOSITION  wParam: the character being composed, lParam: kCompositionUpdate
//   WM_IME_COMPOSITION  wParam: a finished character, lParam: GCS_RESULTSTR (the next syllable's
//                       update follows without a new start)
//   WM_IME_COMPOSITION  wParam: 0, lParam: kCompositionCleared, when Backspace emptied it
//   WM_IME_ENDCOMPOSITION
#pragma once

#include "platform/win_types.h"

struct HIMC__;
using HIMC = HIMC__*;

inline constexpr DWORD IME_CMODE_ALPHANUMERIC = 0x0000;
inline constexpr DWORD IME_CMODE_NATIVE = 0x0001;
inline constexpr DWORD IME_CMODE_HANGUL = IME_CMODE_NATIVE;

inline constexpr DWORD NI_COMPOSITIONSTR = 0x0015;
inline constexpr DWORD CPS_CANCEL = 0x0004;

inline constexpr LPARAM GCS_COMPSTR = 0x0008;
inline constexpr LPARAM GCS_COMPATTR = 0x0010;
inline constexpr LPARAM GCS_DELTASTART = 0x0100;
inline constexpr LPARAM GCS_RESULTSTR = 0x0800;
inline constexpr LPARAM CS_INSERTCHAR = 0x2000;
inline constexpr LPARAM CS_NOMOVECARET = 0x4000;

// The lParam of a composition step that shows a character, and of the step that empties it.
inline constexpr LPARAM kCompositionUpdate = GCS_COMPSTR | GCS_COMPATTR | CS_INSERTCHAR | CS_NOMOVECARET;
inline constexpr LPARAM kCompositionCleared = GCS_COMPSTR | GCS_DELTASTART;

HIMC ImmGetContext(HWND window);
BOOL ImmReleaseContext(HWND window, HIMC context);
// FALSE for a context whose window is gone; null pointers are skipped.
BOOL ImmGetConversionStatus(HIMC context, DWORD* conversion, DWORD* sentence);
BOOL ImmSetConversionStatus(HIMC context, DWORD conversion, DWORD sentence);
// FALSE for a context whose window is gone and for any other action or index.
BOOL ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD value);
