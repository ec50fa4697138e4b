// A growable byte queue: appended at the back, consumed from the front. No lock: one thread uses it.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win_types.h"

class QeByteBuffer {
public:
    QeByteBuffer();  // reserves 4096 bytes
    virtual ~QeByteBuffer();

    // The first queued byte, or null when the queue is empty.
    BYTE* Data();
    const BYTE* Data() const;
    size_t Size() const { return bytes.size(); }

    // Copies n bytes to the back. The bytes may lie inside this buffer. False only for null bytes
    // with n > 0, which changes nothing.
    bool Append(const void* data, size_t n);

    // Drops the first n bytes; false, with nothing changed, when fewer are queued.
    bool Consume(size_t n);

    // Drops every byte; the capacity stays.
    void Clear();

    std::vector<BYTE> bytes;
};
