// The debugger output: UTF-8 lines on stderr, safe from any thread.
#pragma once

void OutputDebugStringW(const wchar_t* text);
