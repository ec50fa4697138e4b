#include "framework/base/QeSingleton.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<QeSingletonObserver> g_observer{nullptr};
std::atomic<void*> g_observerContext{nullptr};
}  // namespace

void QeSetSingletonObserver(QeSingletonObserver observer, void* context) {
    g_observer.store(nullptr);
    g_observerContext.store(context);
    g_observer.store(observer);
}

void QeTellSingletonObserver(const std::type_info& type, bool created) {
    if (QeSingletonObserver observer = g_observer.load()) observer(g_observerContext.load(), type, created);
}

std::string QeTypeName(const std::type_info& type) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (readable == nullptr) return type.name();
    std::string name = readable;
    std::free(readable);
    return name;
}
