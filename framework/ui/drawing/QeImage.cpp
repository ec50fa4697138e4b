#include "framework/ui/drawing/QeImage.h"

#include <cstring>

#include <zlib.h>

#include "framework/base/QeClock.h"
#include "framework/base/QePathTable.h"
#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeDecodeAhead.h"
#include "framework/ui/drawing/QeDrawMath.h"

namespace {

DWORD ClockNow() {
    const QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

}  // namespace

bool QeImageFrame::Create(std::unique_ptr<QeDib> dib, int mode) {
    if (dib == nullptr) return false;
    // Pixels made ahead on a helper thread are taken over; else they are made now.
    if (!m_bitmap.CreateFromPrepared(*dib, mode) && !m_bitmap.CreateFromDib(*dib, mode)) return false;
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
    if (key.source != nullptr) {
        if (!Decode(key.source, key.format, key.bitmapMode)) return false;
    } else {
        m_path = key.fileName;
        if (const QePathTable* paths = QePathTable::Instance()) paths->Resolve(m_path, 0, key.fileName);
        m_format = key.format;
        m_mode = key.bitmapMode;
        // A PNG file whose header reads waits to be drawn; any other file is decoded now. A header
        // read ahead spares the file's opening here.
        m_pending = QeDecodeAhead::PngSize(m_path, m_format, m_headerSize);
        if (!m_pending) {
            QeFileReader file;
            if (!file.Open(m_path)) {
                // A picture the skin names but the program cannot show is a fault of the installation.
                QeTrace(L"[QE+] QeImage::Load, %ls could not be loaded.\n", m_path.c_str());
                m_path.clear();
                return false;
            }
            m_pending = ReadPngSize(file);
            if (!m_pending && !Decode(nullptr, m_format, m_mode)) {
                m_path.clear();
                return false;
            }
        }
    }
    m_loadTime = ClockNow();
    return true;
}

namespace {

uint32_t BigEndian(const uint8_t* at) {
    return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

// Walks a PNG file's chunks after its signature up to IEND, checking each chunk's length and CRC,
// so that a cut or damaged file still fails at load although its pixels are decoded later.
bool PngChunksWhole(QeStream& file) {
    if (!file.Seek(8, 0)) return false;
    uint8_t buffer[4096];
    for (;;) {
        uint8_t head[8];
        if (!file.Read(head, sizeof head)) return false;
        uint32_t left = BigEndian(head);
        if (left > 0x7FFFFFFFu) return false;
        uLong crc = crc32(crc32(0L, Z_NULL, 0), head + 4, 4);
        while (left > 0) {
            const uint32_t n = left < sizeof buffer ? left : static_cast<uint32_t>(sizeof buffer);
            if (!file.Read(buffer, n)) return false;
            crc = crc32(crc, buffer, n);
            left -= n;
        }
        uint8_t stored[4];
        if (!file.Read(stored, sizeof stored) || BigEndian(stored) != static_cast<uint32_t>(crc)) return false;
        if (std::memcmp(head + 4, "IEND", 4) == 0) return true;
    }
}

}  // namespace

bool QeImage::ReadPngSize(QeStream& file) { return ReadPngHeader(file, m_path, m_format, m_headerSize); }

bool QeImage::ReadPngHeader(QeStream& file, const std::wstring& path, int format, SIZE& size) {
    if (format == kImageOther) format = ImageFormatFromExtension(path);
    if (format == kImageOther) format = DetectImageFormat(file);
    uint8_t head[24] = {};
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (format != kImagePng || !file.Read(head, sizeof head) || std::memcmp(head, kSignature, sizeof kSignature) != 0) {
        return false;
    }
    size = SIZE{static_cast<int32_t>(BigEndian(head + 16)), static_cast<int32_t>(BigEndian(head + 20))};
    return size.cx > 0 && size.cy > 0 && PngChunksWhole(file);
}

bool QeImage::Decode(QeStream* source, int format, int mode) const {
    bool decoded = false;
    if (source != nullptr) {
        decoded = DecodeImage(m_decoded, *source, format);
    } else if (!QeDecodeAhead::Take(m_path, format, m_decoded, decoded)) {
        decoded = LoadImageFile(m_decoded, m_path, format);
    }
    if (!decoded && source == nullptr) QeTrace(L"[QE+] QeImage::Load, %ls could not be loaded.\n", m_path.c_str());
    bool made = decoded && m_dc.CreateMemoryDC();
    for (auto& dib : m_decoded.Frames()) {
        if (!made) break;
        auto frame = std::make_unique<QeImageFrame>();
        made = frame->Create(std::move(dib), mode);
        if (!made) break;
        frame->ReleaseDib();
        m_totalDelayMs += frame->DelayMs();
        m_delays.push_back(frame->DelayMs());
        m_frames.push_back(std::move(frame));
    }
    if (!made) {
        // Whatever was made before the failure goes with it.
        ReleaseFrames();
        return false;
    }
    m_decoded.Frames().clear();
    return true;
}

const std::vector<std::unique_ptr<QeImageFrame>>& QeImage::Frames() const {
    if (m_pending) {
        m_pending = false;
        Decode(nullptr, m_format, m_mode);
    }
    return m_frames;
}

void QeImage::ReleaseFrames() const {
    m_dc.Release();
    m_frames.clear();
    m_decoded = QeDecodedImage();
    m_delays.clear();
    m_totalDelayMs = 0;
}

void QeImage::Release() {
    ReleaseFrames();
    m_pending = false;
    m_headerSize = SIZE{0, 0};
    m_path.clear();
    m_loadTime = 0;
}

void QeImage::Purge() {
    if (m_path.empty()) return;
    ReleaseFrames();
    m_pending = true;
}

size_t QeImage::CurrentFrame() const {
    Frames();
    const int32_t loops = m_decoded.LoopCount();
    return FrameAt(m_delays, loops > 0 ? static_cast<uint32_t>(loops) : 0, ClockNow() - m_loadTime);
}

uint32_t QeImage::FrameChangesAfter() const {
    Frames();
    const int32_t loops = m_decoded.LoopCount();
    return FrameChangeAfter(m_delays, loops > 0 ? static_cast<uint32_t>(loops) : 0, ClockNow() - m_loadTime);
}

int32_t QeImage::Width() const {
    if (m_pending && m_headerSize.cx > 0) return m_headerSize.cx;
    return Frames().empty() ? 0 : m_frames.front()->Bitmap().Width();
}

int32_t QeImage::Height() const {
    if (m_pending && m_headerSize.cy > 0) return m_headerSize.cy;
    return Frames().empty() ? 0 : m_frames.front()->Bitmap().Height();
}

QeDC* QeImage::Select() {
    if (Frames().empty()) return nullptr;
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
