#include "framework/base/QeByteBuffer.h"

#include <cstring>

QeByteBuffer::QeByteBuffer() { bytes.reserve(4096); }

QeByteBuffer::~QeByteBuffer() = default;

BYTE* QeByteBuffer::Data() { return bytes.empty() ? nullptr : bytes.data(); }

const BYTE* QeByteBuffer::Data() const { return bytes.empty() ? nullptr : bytes.data(); }

bool QeByteBuffer::Append(const void* data, size_t n) {
    if (n == 0) return true;
    if (data == nullptr) return false;
    const BYTE* source = static_cast<const BYTE*>(data);
    const BYTE* begin = bytes.data();
    if (!bytes.empty() && source >= begin && source < begin + bytes.size()) {
        // Growing may move the storage the bytes come from: copy them out first.
        std::vector<BYTE> copy(source, source + n);
        bytes.insert(bytes.end(), copy.begin(), copy.end());
        return true;
    }
    size_t old = bytes.size();
    bytes.resize(old + n);
    std::memcpy(bytes.data() + old, source, n);
    return true;
}

bool QeByteBuffer::Consume(size_t n) {
    if (n > bytes.size()) return false;
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

void QeByteBuffer::Clear() { bytes.clear(); }
