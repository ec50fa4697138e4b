// The framework's trace line: misuse of the framework is reported as "[QE+] Class::Method, why.\n".
#pragma once

#include <string>
#include <vector>

// Formats printf-style (wide; write %ls for wide string arguments) into at most 1024 characters
// and hands the text to the installed sink, else to OutputDebugStringW. Safe from any thread.
void QeTrace(const wchar_t* format, ...);

// The optional process-wide sink: a function and its context pointer. Null removes it.
using QeTraceSink = void (*)(void* context, const std::wstring& text);
void QeSetTraceSink(QeTraceSink sink, void* context);

// While one lives, its thread's traces are kept in it instead of reaching the sink: work done ahead
// on a helper thread reports its faults where its result is used, as that work done there would.
class QeTraceHold {
public:
    QeTraceHold();
    ~QeTraceHold();
    QeTraceHold(const QeTraceHold&) = delete;
    QeTraceHold& operator=(const QeTraceHold&) = delete;

    std::vector<std::wstring> Take() { return std::move(m_texts); }

private:
    std::vector<std::wstring> m_texts;
    std::vector<std::wstring>* m_outer;
};

// Hands texts that a hold kept to the sink, in order, on the calling thread.
void QeTraceReplay(const std::vector<std::wstring>& texts);
