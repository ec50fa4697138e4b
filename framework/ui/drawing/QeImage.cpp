#include "framework/ui/drawing/QeImage.h"

#include "framework/base/QeClock.h"
#include "framework/base/QePathTable.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeDrawMath.h"

namespace {

DWORD ClockNow() {
    const QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

}  // namespace

bool QeImageFrame::Create(std::unique_ptr<QeDib> dib, int mode) {
    if (dib == nullptr || !m_bitmap.CreateFromDib(*dib, mode)) return false;
    m_delayMs = dib->DelayMs() > 0 ? static_cast<uint32_t>(dib->DelayMs()) : 100;
    const int32_t index = dib->TransparentIndex();
    const uint8_t* palette = dib->Palette();
    if (index >= 0 && palette != nullptr && static_cast<uint32_t>(index) < dib->PaletteRoom()) {
        const uint8_t* entry = palette + static_cast<size_t>(index) * 4;
        m_colorKey = RGB(entry[2], entry[1], entry[0]);
    }
    m_dib = std::move(dib);
    return true;
}

void QeImageFrame::ReleaseDib() {
    if (m_dib != nullptr) m_dib->Release();
}

bool QeImage::Load(const QeImageKey& key) {
    Release();
    bool decoded = false;
    if (key.source != nullptr) {
        decoded = DecodeImage(m_decoded, *key.source, key.format);
    } else {
        std::wstring path = key.fileName;
        if (const QePathTable* paths = QePathTable::Instance()) paths->Resolve(path, 0, key.fileName);
        decoded = LoadImageFile(m_decoded, path, key.format);
        // A picture the skin names but the program cannot show is a fault of the installation.
        if (!decoded) QeTrace(L"[QE+] QeImage::Load, %ls could not be loaded.\n", path.c_str());
    }
    bool made = decoded && m_dc.CreateMemoryDC();
    for (auto& dib : m_decoded.Frames()) {
        if (!made) break;
        auto frame = std::make_unique<QeImageFrame>();
        made = frame->Create(std::move(dib), key.bitmapMode);
        if (!made) break;
        frame->ReleaseDib();
        m_totalDelayMs += frame->DelayMs();
        m_delays.push_back(frame->DelayMs());
        m_frames.push_back(std::move(frame));
    }
    if (!made) {
        // Whatever was made before the failure goes with it.
        Release();
        return false;
    }
    m_decoded.Frames().clear();
    m_loadTime = ClockNow();
    return true;
}

void QeImage::Release() {
    m_dc.Release();
    m_frames.clear();
    m_decoded = QeDecodedImage();
    m_delays.clear();
    m_totalDelayMs = 0;
    m_loadTime = 0;
}

size_t QeImage::CurrentFrame() const {
    const int32_t loops = m_decoded.LoopCount();
    return FrameAt(m_delays, loops > 0 ? static_cast<uint32_t>(loops) : 0, ClockNow() - m_loadTime);
}

int32_t QeImage::Width() const { return m_frames.empty() ? 0 : m_frames.front()->Bitmap().Width(); }
int32_t QeImage::Height() const { return m_frames.empty() ? 0 : m_frames.front()->Bitmap().Height(); }

QeDC* QeImage::Select() {
    if (m_frames.empty()) return nullptr;
    QeImageFrame& frame = *m_frames[CurrentFrame()];
    if (!m_dc.SelectBitmap(&frame.Bitmap(), false)) return nullptr;
    return &m_dc;
}

bool QeImage::DrawBlt(QeDC& destination, const RECT& to, const RECT& from, DWORD rop) {
    QeDC* source = Select();
    return source != nullptr && QeDC::Blit(destination, *source, to, from, rop);
}

bool QeImage::DrawTransparent(QeDC& destination, const RECT& to, const RECT& from, COLORREF key) {
    QeDC* source = Select();
    return source != nullptr && QeDC::TransparentBlit(destination, *source, to, from, key);
}

bool QeImage::DrawAlpha(QeDC& destination, const RECT& to, const RECT& from, BYTE alpha) {
    QeDC* source = Select();
    return source != nullptr && QeDC::AlphaBlit(destination, *source, to, from, alpha);
}

bool QeImage::DrawAlphaPerPixel(QeDC& destination, const RECT& to, const RECT& from) {
    QeDC* source = Select();
    return source != nullptr && QeDC::AlphaBlitPerPixel(destination, *source, to, from);
}
