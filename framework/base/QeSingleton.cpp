#include "framework/base/QeSingleton.h"

#include <cxxabi.h>

#include <cstdlib>

std::string QeTypeName(const std::type_info& type) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (readable == nullptr) return type.name();
    std::string name = readable;
    std::free(readable);
    return name;
}
