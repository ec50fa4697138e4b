// The framework's trace line: misuse of the framework is reported as "[QE+] Class::Method, why.\n".
#pragma once

#include <string>

// Formats printf-style (wide; write %ls for wide string arguments) into at most 1024 characters
// and hands the text to the installed sink, else to OutputDebugStringW. Safe from any thread.
void QeTrace(const wchar_t* format, ...);

// The optional process-wide sink: a function and its context pointer. Null removes it.
using QeTraceSink = void (*)(void* context, const std::wstring& text);
void QeSetTraceSink(QeTraceSink sink, void* context);
