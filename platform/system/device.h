// The handheld's own services: the soft input panel and its input methods, the shell's full-screen
// and panel information calls, the notification LED, the connection manager and sounds.
//
// Rules that callers may rely on:
// - Every call is recorded, in order, as one readable line (DeviceCalls, the newest 1,000), so tests
//   can see what the program asked of the device. Recording and the calls are safe from any thread.
// - The input panel: one input method is offered; showing the panel starts the desktop's text input
//   through the presenter (so a desktop input method can be used) and hiding it stops it. A desktop
//   has no panel on screen: the panel rectangle that SHSipInfo reports is empty unless a test sets
//   one.
// - The LED: one notification LED is reported (tests may set another count). Switching it on
//   flashes the presenter's window; its state can be read back.
// - The connection manager: a desktop is always connected; establishing answers a fresh handle and
//   releasing takes it back. Tests may make either call fail.
// - Sounds: a WAV file plays through the presenter's audio without blocking the loop. A file that
//   is missing or cannot be read plays nothing and is traced, once per file. Without a sound device
//   nothing plays and the presenter has said so once. The headless presenter only records the call.
// - There is no input-panel button window: FindWindowW(L"MS_SIPBUTTON", ...) finds nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/system/guid.h"
#include "platform/win_types.h"

#ifndef E_INVALIDARG
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057u))
#endif

using CLSID = GUID;

// ---- input panel and shell

inline constexpr DWORD SIPF_OFF = 0x0;
inline constexpr DWORD SIPF_ON = 0x1;
inline constexpr UINT SPI_GETSIPINFO = 0xE1;
inline constexpr DWORD SHFS_HIDESIPBUTTON = 0x0008;

struct IMENUMINFO {
    WCHAR szName[260];
    CLSID clsid;
};
// Called once per offered input method; answering 0 stops the enumeration.
using IMENUMPROC = int (*)(IMENUMINFO* info);

struct SIPINFO {
    DWORD cbSize;  // must be sizeof(SIPINFO)
    DWORD fdwFlags;
    RECT rcVisibleDesktop;
    RECT rcSipRect;
    DWORD dwImDataSize;
    void* pvImData;
};

BOOL SipShowIM(DWORD flags);
// The number of methods offered (the callback may have stopped earlier); 0 for a null callback.
int SipEnumIM(IMENUMPROC callback);
BOOL SipGetCurrentIM(CLSID* clsid);
// SPI_GETSIPINFO only: fills the record (whose size must be right) with the panel's state, the
// desktop above it and the panel rectangle. FALSE for anything else.
BOOL SHSipInfo(UINT action, UINT parameter, void* info, UINT winIni);
// The shell's full-screen call: nothing to hide on a desktop; FALSE for a handle that is no window.
BOOL SHFullScreen(HWND window, DWORD state);

// ---- notification LED

inline constexpr UINT NLED_COUNT_INFO_ID = 0;
inline constexpr UINT NLED_SETTINGS_INFO_ID = 2;

struct NLED_COUNT_INFO {
    UINT cLeds;
};
struct NLED_SETTINGS_INFO {
    UINT LedNum;
    INT OffOnBlink;  // 0 off, 1 on, 2 blink
    LONG TotalCycleTime;
    LONG OnTime;
    LONG OffTime;
    INT MetaCycleOn;
    INT MetaCycleOff;
};

// NLED_COUNT_INFO_ID only; FALSE for a null record or another id.
BOOL NLedGetDeviceInfo(UINT infoId, void* info);
// NLED_SETTINGS_INFO_ID only; FALSE for an LED number the device does not have.
BOOL NLedSetDevice(UINT infoId, void* info);

// ---- connection manager

inline constexpr DWORD CONNMGR_PARAM_GUIDDESTNET = 0x1;
inline constexpr DWORD CONNMGR_PRIORITY_USERINTERACTIVE = 0x08000;
inline constexpr DWORD CONNMGR_STATUS_CONNECTED = 0x10;
// The Internet as the destination network.
inline constexpr GUID IID_DestNetInternet = {0x436EF144, 0xB4FB, 0x4863, {0xA0, 0x41, 0x8F, 0x90, 0x5A, 0x62, 0xC5, 0x72}};

struct CONNMGR_CONNECTIONINFO {
    DWORD cbSize;  // must be sizeof(CONNMGR_CONNECTIONINFO)
    DWORD dwParams;
    DWORD dwFlags;
    DWORD dwPriority;
    BOOL bExclusive;
    BOOL bDisabled;
    GUID guidDestNet;
    HWND hWnd;
    UINT uMsg;
    LPARAM lParam;
    ULONG ulMaxCost;
    ULONG ulMinRcvBw;
    ULONG ulMaxConnLatency;
};

// S_OK with a fresh handle and CONNMGR_STATUS_CONNECTED; E_INVALIDARG for a missing record, a wrong
// size or missing out-parameters.
HRESULT ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO* info, HANDLE* connection, DWORD timeoutMs,
                                       DWORD* status);
// S_OK for a handle that establishing gave and that is not released yet; E_INVALIDARG otherwise.
HRESULT ConnMgrReleaseConnection(HANDLE connection, LONG cache);

// ---- sounds

inline constexpr UINT SND_SYNC = 0x0000;
inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NODEFAULT = 0x0002;
inline constexpr UINT SND_FILENAME = 0x00020000;

// With SND_FILENAME: plays the file (a program path, "\" separators). FALSE without SND_FILENAME
// or a name, and when the presenter cannot play the file.
BOOL sndPlaySoundW(LPCWSTR sound, UINT flags);

// ---- test tooling

// The lines recorded since the last clear, e.g. L"SipShowIM(1)", L"NLedSetDevice(2, 0, 1)"; the
// newest kDeviceCallsKept of them.
inline constexpr size_t kDeviceCallsKept = 1000;
std::vector<std::wstring> DeviceCalls();
void ClearDeviceCalls();
// Puts every device setting and state back to what a fresh run has (panel hidden and empty, one LED
// off, the connection manager answering S_OK, no connection) and clears the record.
void ResetDevices();
void SetSipPanelRect(const RECT& rect);
// While set, SHSipInfo fails after writing junk into the record, as a failing system call may.
void FailSipInfo(bool fail);
bool SipPanelShown();
void SetLedCount(UINT count);
bool LedIsOn(UINT led);
// What establish and release answer from now on when they would succeed; a failure value makes them
// fail and change nothing.
void SetConnMgrResults(HRESULT establish, HRESULT release);
int OpenConnectionCount();
