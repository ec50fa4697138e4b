// The program's own file name.
#pragma once

#include <string>

#include "platform/win_types.h"

// The full path of the running program with "\" separators. The module handle is ignored (there is
// only the program). Copies at most size - 1 characters and a NUL; returns the characters copied,
// or size when the path was cut (the copy is still terminated), or 0 on failure.
DWORD GetModuleFileNameW(HINSTANCE module, wchar_t* buffer, DWORD size);

// The same as a string; empty on failure.
std::wstring ModuleFileName();
