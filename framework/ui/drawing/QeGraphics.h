// The graphics group of framework singletons: the font, image and surface pools, the update
// region and the back buffer, with the holder through which controls keep a pooled font.
#pragma once

#include <cstdint>

#include "framework/base/QeSingleton.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "framework/ui/drawing/QeImage.h"
#include "framework/ui/drawing/QeResourcePool.h"

class QeFontPool : public QeResourcePool<FontKey, QeFont>, public QeSingleton<QeFontPool> {
public:
    using QeResourcePool::Load;
    ~QeFontPool() override { UnloadAll(); }

protected:
    bool Load(const FontKey& key, QeFont& font) override { return font.Create(key); }
    void Release(QeFont& font) override { font.Release(); }
};

class QeImagePool : public QeResourcePool<QeImageKey, QeImage>, public QeSingleton<QeImagePool> {
public:
    using QeResourcePool::Load;
    ~QeImagePool() override { UnloadAll(); }

protected:
    bool Load(const QeImageKey& key, QeImage& image) override { return image.Load(key); }
    void Release(QeImage& image) override { image.Release(); }
};

struct QeSurfaceSize {
    int32_t width = 0;
    int32_t height = 0;
    auto operator<=>(const QeSurfaceSize&) const = default;
};

// Window surfaces by size (see QeResourcePoolGrowable for the rules of reuse and pinning).
class QeSurfacePool : public QeResourcePoolGrowable<QeSurfaceSize, QeSurface>, public QeSingleton<QeSurfacePool> {
public:
    ~QeSurfacePool() override { DestroyAll(); }

    // A surface of exactly that size: the preferred one when it is free and not pinned. Any other
    // one starts a new tenancy: what it shows is not the asker's.
    QeSurface* Acquire(int32_t width, int32_t height, const QeSurface* preferred) {
        QeSurface* surface = QeResourcePoolGrowable::Acquire(QeSurfaceSize{width, height}, preferred);
        if (surface != nullptr && surface != preferred) surface->NewTenancy();
        return surface;
    }

protected:
    bool Load(const QeSurfaceSize& size, QeSurface& surface) override {
        return surface.Create(size.width, size.height);
    }
    void Release(QeSurface& surface) override { surface.Release(); }
};

// One counted reference into a singleton pool. A pool stopped and started again gives handles of
// its own, so a reference from the old one is dropped unseen rather than unloaded from the new.
template <class Pool>
class QePoolRef {
public:
    QePoolRef() = default;
    ~QePoolRef() { Release(); }
    QePoolRef(const QePoolRef&) = delete;
    QePoolRef& operator=(const QePoolRef&) = delete;

    // Lets go of the held item, then loads the key's; false (nothing held) when the pool gives none.
    template <class Key>
    bool Load(const Key& key) {
        Release();
        Pool* pool = Pool::Instance();
        if (pool == nullptr) return false;
        m_handle = pool->Load(key);
        m_poolSerial = pool->Serial();
        return m_handle != -1;
    }
    void Release() {
        if (Pool* pool = Current()) pool->Unload(m_handle);
        m_handle = -1;
    }
    // The pooled item; null without one.
    auto* Get() const {
        Pool* pool = Current();
        return pool != nullptr ? pool->Find(m_handle) : nullptr;
    }
    int32_t Handle() const { return m_handle; }

private:
    // The pool the handle belongs to, when it still exists.
    Pool* Current() const {
        Pool* pool = Pool::Instance();
        return m_handle != -1 && pool != nullptr && pool->Serial() == m_poolSerial ? pool : nullptr;
    }

    int32_t m_handle = -1;
    uint64_t m_poolSerial = 0;  // the pool the handle came from
};

// The font a control keeps: its style and a handle of the font pool (-1 = none).
class QeFontHandle {
public:
    // Lets go of the held font, then loads the style's font; false when the pool gives none.
    bool Create(const QeTextStyle& style);
    void Release() { m_font.Release(); }

    const QeTextStyle& Style() const { return m_style; }
    int32_t Handle() const { return m_font.Handle(); }
    // The pooled font; null without one.
    QeFont* Font() const { return m_font.Get(); }

    // Equal handles and equal background mode, background colour, text colour and format.
    bool operator==(const QeFontHandle& other) const;

private:
    QeTextStyle m_style;
    QePoolRef<QeFontPool> m_font;
};

// Set while a frame is composed, clear otherwise.
class QeUpdateRegion : public QeSingleton<QeUpdateRegion> {
public:
    bool composing = false;
    void Reset() { composing = false; }
};

// A 1 x 1 surface of colour 0x080808: stretched over an area with alpha 128, it dims it by half.
class QeBackBuffer : public QeSingleton<QeBackBuffer> {
public:
    static constexpr COLORREF kColor = 0x080808;
    static constexpr BYTE kDimAlpha = 128;

    bool Start();
    QeSurface& Surface() { return m_surface; }
    BYTE alpha = kDimAlpha;

private:
    QeSurface m_surface;
};

// Creates the surface, image and font pools, the update region and the back buffer, in that
// order; the answer is the back buffer's start.
bool QeGraphicsStart();
// Deletes the back buffer and the update region, then the font, image and surface pools, each
// after unloading what it still holds. Nothing happens for what was never made.
void QeGraphicsStop();
