// Collects the framework's trace lines for the object's life.
#pragma once

#include <mutex>
#include <string>

#include "framework/base/QeTrace.h"

class TraceLog {
public:
    TraceLog() { QeSetTraceSink(&TraceLog::Sink, this); }
    ~TraceLog() { QeSetTraceSink(nullptr, nullptr); }
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    std::wstring Text() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_text;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_text.clear();
    }

private:
    static void Sink(void* self, const std::wstring& text) {
        auto* log = static_cast<TraceLog*>(self);
        std::lock_guard<std::mutex> guard(log->m_lock);
        log->m_text += text;
    }
    std::mutex m_lock;
    std::wstring m_text;
};
