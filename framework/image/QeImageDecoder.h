// The decoded image of one file, the decoder family's base and the entry points that pick a
// decoder by the file's extension or content.
#pragma once

#include <cstdint>
#include <string>

#include "framework/image/QeDib.h"

class QeStream;

// Image format numbers.
enum QeImageFormat : int {
    kImageBmp = 0,
    kImageJpeg = 1,
    kImagePng = 2,
    kImageGif = 3,
    kImageOther = 4,  // detect from the content
};

class QeDecodedImage {
public:
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int16_t Depth() const { return m_depth; }
    // 0 = forever.
    int32_t LoopCount() const { return m_loopCount; }
    const QeDibList& Frames() const { return m_frames; }
    QeDibList& Frames() { return m_frames; }

    void SetInfo(int32_t width, int32_t height, int16_t depth, int32_t loopCount);
    // Moves the frames out of the list into this image, after any it holds.
    void TakeFrames(QeDibList& frames);

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int16_t m_depth = 0;
    int32_t m_loopCount = 0;
    QeDibList m_frames;
};

class QeImageDecoder {
public:
    QeImageDecoder() = default;
    virtual ~QeImageDecoder() = default;
    QeImageDecoder(const QeImageDecoder&) = delete;
    QeImageDecoder& operator=(const QeImageDecoder&) = delete;

    // A failed decode leaves no frame.
    virtual bool Decode(QeStream& stream) = 0;

    // Owned until taken.
    QeDibList& Frames() { return m_frames; }

protected:
    QeDibList m_frames;
};

// The format by the first 8 bytes (the position is restored): PNG, GIF, JPEG, BMP in that order,
// else kImageOther.
int DetectImageFormat(QeStream& stream);
// By the extension, compared exactly: ".bmp", ".jpg", ".png", ".gif", else kImageOther.
int ImageFormatFromExtension(const std::wstring& path);
// kImageOther sniffs the content. Success needs at least one frame; the frames move into image.
bool DecodeImage(QeDecodedImage& image, QeStream& stream, int format);
// kImageOther takes the format from the extension, and sniffs when that says nothing.
bool LoadImageFile(QeDecodedImage& image, const std::wstring& path, int format);
