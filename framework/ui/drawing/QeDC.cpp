#include "framework/ui/drawing/QeDC.h"

#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeDrawMath.h"

void QeFont::Release() {
    if (m_handle != nullptr) DeleteObject(m_handle);
    m_handle = nullptr;
    m_extents = Extents();
}

bool QeDC::CreateMemoryDC() {
    Release();
    HDC screen = GetDC(nullptr);
    m_handle = CreateCompatibleDC(screen);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    m_kind = kMemory;
    return m_handle != nullptr;
}

void QeDC::Release() {
    m_font.Deselect(m_handle);
    m_textMetrics = {};
    m_bitmap.Deselect(m_handle);
    if (m_handle != nullptr) {
        if (m_kind == kMemory) {
            DeleteDC(m_handle);
        } else if (m_kind == kWindow) {
            ReleaseDC(nullptr, m_handle);
        }
    }
    m_handle = nullptr;
}

int QeDC::SelectBitmap(QeBitmap* bitmap, bool owned) { return m_bitmap.Select(m_handle, bitmap, owned); }

int32_t QeDC::Width() const { return m_bitmap.object != nullptr ? m_bitmap.object->Width() : 0; }
int32_t QeDC::Height() const { return m_bitmap.object != nullptr ? m_bitmap.object->Height() : 0; }

namespace {

// The extents of a blit: a zero extent on either side takes the source bitmap's.
struct Extents {
    int to_w, to_h, from_w, from_h;
};

Extents ExtentsOf(const QeDC& source, const RECT& to, const RECT& from) {
    auto extent = [](LONG low, LONG high, int32_t whole) {
        const int64_t e = int64_t{high} - low;
        return e == 0 ? whole : QeClamp32(e);
    };
    return Extents{extent(to.left, to.right, source.Width()), extent(to.top, to.bottom, source.Height()),
                   extent(from.left, from.right, source.Width()), extent(from.top, from.bottom, source.Height())};
}

}  // namespace

bool QeDC::Blit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, DWORD rop) {
    const Extents e = ExtentsOf(source, to, from);
    if (e.to_w == e.from_w && e.to_h == e.from_h) {
        return BitBlt(destination.m_handle, to.left, to.top, e.to_w, e.to_h, source.m_handle, from.left, from.top,
                      rop) != 0;
    }
    return StretchBlt(destination.m_handle, to.left, to.top, e.to_w, e.to_h, source.m_handle, from.left, from.top,
                      e.from_w, e.from_h, rop) != 0;
}

bool QeDC::TransparentBlit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, COLORREF key) {
    const Extents e = ExtentsOf(source, to, from);
    return TransparentImage(destination.m_handle, to.left, to.top, e.to_w, e.to_h, source.m_handle, from.left,
                            from.top, e.from_w, e.from_h, key) != 0;
}

bool QeDC::AlphaBlit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, BYTE alpha) {
    const Extents e = ExtentsOf(source, to, from);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, 0};
    return AlphaBlend(destination.m_handle, to.left, to.top, e.to_w, e.to_h, source.m_handle, from.left, from.top,
                      e.from_w, e.from_h, blend) != 0;
}

bool QeDC::AlphaBlitPerPixel(QeDC& destination, QeDC& source, const RECT& to, const RECT& from) {
    const Extents e = ExtentsOf(source, to, from);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(destination.m_handle, to.left, to.top, e.to_w, e.to_h, source.m_handle, from.left, from.top,
                      e.from_w, e.from_h, blend) != 0;
}

void QeSurface::NewTenancy() {
    static uint64_t s_last = 0;  // user-interface thread only
    m_tenancy = ++s_last;
}

bool QeSurface::Create(int32_t width, int32_t height) {
    NewTenancy();
    if (!CreateMemoryDC()) return false;
    auto* bitmap = new QeBitmap;
    if (!bitmap->CreateCompatible(width, height)) {
        delete bitmap;
        return false;
    }
    return SelectBitmap(bitmap, true) != 0;
}

