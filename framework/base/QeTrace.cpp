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
}  // namespace

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
