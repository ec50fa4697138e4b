// A pooled image: the frames of a decoded file as ready bitmaps, and which one is due now.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/image/QeImageDecoder.h"
#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"

class QeImageFrame {
public:
    // The bitmap of the frame by the mode (QeBitmap::CreateFromDib); the colour key is the frame's
    // transparent palette entry when it names one. The frame keeps the DIB for its header and delay.
    bool Create(std::unique_ptr<QeDib> dib, int mode);

    const QeDib* Dib() const { return m_dib.get(); }
    // Releases the decoded pixels once the bitmap holds them.
    void ReleaseDib();
    COLORREF ColorKey() const { return m_colorKey; }
    QeBitmap& Bitmap() { return m_bitmap; }
    // At least 1; a frame without a delay of its own shows for 100 ms.
    uint32_t DelayMs() const { return m_delayMs; }

private:
    std::unique_ptr<QeDib> m_dib;
    COLORREF m_colorKey = 0;
    QeBitmap m_bitmap;
    uint32_t m_delayMs = 100;
};

class QeImage {
public:
    QeImage() = default;
    ~QeImage() { Release(); }
    QeImage(const QeImage&) = delete;
    QeImage& operator=(const QeImage&) = delete;

    // Decodes the key's stream, or its file resolved against the images folder, and makes every
    // frame a bitmap by the key's mode; any failure leaves the image empty and answers false. A PNG
    // file whose header reads is only opened: it is decoded when first drawn, so the pictures of
    // screens never shown cost neither start-up time nor memory; should its body not decode then,
    // the image has no frames (and its skin element no image).
    bool Load(const QeImageKey& key);
    // Frees the frames, the decoded data and the memory DC.
    void Release();
    // Frees the frames of a file's picture while nothing draws it; the next use decodes the file
    // again. The animation clock keeps running from the load.
    void Purge();

    // The frame due by the frame clock: the animation loops its count of times (0: forever) from
    // the moment it was loaded, then stays on its last frame. 0 without frames.
    size_t CurrentFrame() const;
    // Milliseconds until CurrentFrame changes; 0 when it never will.
    uint32_t FrameChangesAfter() const;
    size_t FrameCount() const { return Frames().size(); }
    QeImageFrame* Frame(size_t index) { return index < Frames().size() ? m_frames[index].get() : nullptr; }
    const QeDecodedImage& Decoded() const {
        Frames();
        return m_decoded;
    }
    // The size of the first frame's bitmap (its header's while a PNG file waits); 0 without frames.
    int32_t Width() const;
    int32_t Height() const;
    uint32_t TotalDelayMs() const { return m_totalDelayMs; }

    // The current frame blitted by one of the four draw methods; false without a frame.
    bool DrawBlt(QeDC& destination, const RECT& to, const RECT& from, DWORD rop);
    bool DrawTransparent(QeDC& destination, const RECT& to, const RECT& from, COLORREF key);
    bool DrawAlpha(QeDC& destination, const RECT& to, const RECT& from, BYTE alpha);
    bool DrawAlphaPerPixel(QeDC& destination, const RECT& to, const RECT& from);

    // The size in the header of the PNG file at path (read in format, kImageOther for its
    // extension or else its content) into size; true when the header reads and every chunk is
    // whole.
    static bool ReadPngHeader(QeStream& file, const std::wstring& path, int format, SIZE& size);

private:
    // The current frame selected into the memory DC; null without one.
    QeDC* Select();
    // The frames, after decoding the file when it waits for that.
    const std::vector<std::unique_ptr<QeImageFrame>>& Frames() const;
    // Decodes into m_decoded (the stream, or the file at m_path) and makes the frames; false, with
    // nothing kept, on any failure.
    bool Decode(QeStream* source, int format, int mode) const;
    void ReleaseFrames() const;
    // Reads the size from a PNG file's header, so that a picture measured before it is drawn need
    // not be decoded for that; false for a file of another format, a header that does not read, or
    // chunks that are cut or fail their CRC (the file is then decoded at once, and fails there).
    bool ReadPngSize(QeStream& file);

    // Filled when decoded: on Load for a stream, on first use for a file.
    mutable QeDecodedImage m_decoded;
    mutable std::vector<std::unique_ptr<QeImageFrame>> m_frames;
    mutable std::vector<uint32_t> m_delays;  // of the frames, in order
    mutable uint32_t m_totalDelayMs = 0;
    mutable QeDC m_dc;
    // A file's picture not decoded yet: where it is and how to decode it.
    mutable bool m_pending = false;
    std::wstring m_path;
    int m_format = 0;
    int m_mode = 0;
    SIZE m_headerSize{0, 0};  // from a PNG file's header; 0 when not read
    DWORD m_loadTime = 0;
};
