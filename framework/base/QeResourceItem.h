// Base of the items that the font and image pools share out by reference count.
#pragma once

#include <cstdint>

class QeResourceItem {
public:
    QeResourceItem() = default;
    virtual ~QeResourceItem() = default;
    QeResourceItem(const QeResourceItem&) = delete;
    QeResourceItem& operator=(const QeResourceItem&) = delete;

    uint32_t RefCount() const { return m_refCount; }
    // Each returns the count after the change; dropping a reference never goes below zero.
    uint32_t AddRef() { return ++m_refCount; }
    uint32_t DropRef() { return m_refCount > 0 ? --m_refCount : 0; }

private:
    uint32_t m_refCount = 0;
};
