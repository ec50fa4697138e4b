#include "framework/base/QeTrace.h"

#include <cstdarg>
#include <mutex>

#include "framework/base/QeStrings.h"
#include "platform/system/debug.h"

namespace {
// The sink is read under the lock and called outside it, so a sink may trace in turn and another
// thread may replace it at any time.
std::mutex g_sinkLock;
QeTraceSink g_sink = nullptr;
void* g_sinkContext = nullptr;
thread_local std::vector<std::wstring>* t_held = nullptr;

void Deliver(const std::wstring& text) {
    QeTraceSink sink;
    void* context;
    {
        std::lock_guard<std::mutex> guard(g_sinkLock);
        sink = g_sink;
        context = g_sinkContext;
    }
    if (sink != nullptr) {
        sink(context, text);
    } else {
        OutputDebugStringW(text.c_str());
    }
}
}  // namespace

QeTraceHold::QeTraceHold() : m_outer(t_held) { t_held = &m_texts; }

QeTraceHold::~QeTraceHold() { t_held = m_outer; }

void QeTraceReplay(const std::vector<std::wstring>& texts) {
    for (const std::wstring& text : texts) Deliver(text);
}

void QeSetTraceSink(QeTraceSink sink, void* context) {
    std::lock_guard<std::mutex> guard(g_sinkLock);
    g_sink = sink;
    g_sinkContext = sink != nullptr ? context : nullptr;
}

void QeTrace(const wchar_t* format, ...) {
    std::wstring text;
    va_list args;
    va_start(args, format);
    QeStrings::FormatV(text, format, args);
    va_end(args);
    if (t_held != nullptr) {
        t_held->push_back(std::move(text));
    } else {
        Deliver(text);
    }
}
