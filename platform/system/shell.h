// The shell's "open this file" call, handed to the desktop's opener.
//
// Only the verb "Open" is carried out: the file goes to `xdg-open`, started without a shell and
// without waiting, so the desktop picks the program for it. An http or https address goes to the
// opener as it stands, as one argument (whatever spaces or shell characters it holds). The file itself is never executed,
// whatever its permissions say. The opener's process is reaped in the background (no zombie is
// left); no process handle is given out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "platform/windows/window.h"

inline constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x00000040;

struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;  // not used: nothing but the file reaches the opener
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;  // out: a value above 32 on success, 31 (no association) on failure
    HANDLE hProcess;     // out: always null
};

// TRUE when the opener was started. FALSE for a missing file name, a file that is not there,
// another verb, or an opener that could not be started.
BOOL ShellExecuteEx(SHELLEXECUTEINFOW* info);

// What starts the opener: the program name (looked up in PATH) and its whole argument list,
// argv[0] included. True when it was started. The default spawns and reaps; tests install one
// that records the call. Null puts the default back.
using ShellLauncher = std::function<bool(const std::string& program, const std::vector<std::string>& argv)>;
void SetShellLauncher(ShellLauncher launcher);
