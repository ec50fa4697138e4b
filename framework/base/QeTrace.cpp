#include "framework/base/QeTrace.h"

#include <atomic>
#include <cstdarg>

#include "framework/base/QeStrings.h"
#include "platform/debug.h"

namespace {
struct Sink {
    QeTraceSink function = nullptr;
    void* context = nullptr;
};
std::atomic<Sink*> g_sink{nullptr};
Sink g_sinkStorage;
}  // namespace

void QeSetTraceSink(QeTraceSink sink, void* context) {
    if (sink == nullptr) {
        g_sink.store(nullptr);
        return;
    }
    g_sinkStorage.function = sink;
    g_sinkStorage.context = context;
    g_sink.store(&g_sinkStorage);
}

void QeTrace(const wchar_t* format, ...) {
    std::wstring text;
    va_list args;
    va_start(args, format);
    QeStrings::FormatV(text, format, args);
    va_end(args);
    if (Sink* sink = g_sink.load()) {
        sink->function(sink->context, text);
    } else {
        OutputDebugStringW(text.c_str());
    }
}
