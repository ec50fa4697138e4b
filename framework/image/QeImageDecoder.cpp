#include "framework/image/QeImageDecoder.h"

#include <cstring>
#include <memory>

#include "framework/base/QeStream.h"
#include "framework/image/QeBmpDecoder.h"
#include "framework/image/QeGifDecoder.h"
#include "framework/image/QeJpegDecoder.h"
#include "framework/image/QePngDecoder.h"

void QeDecodedImage::SetInfo(int32_t width, int32_t height, int16_t depth, int32_t loopCount) {
    m_width = width;
    m_height = height;
    m_depth = depth;
    m_loopCount = loopCount;
}

void QeDecodedImage::TakeFrames(QeDibList& frames) {
    for (auto& frame : frames) m_frames.push_back(std::move(frame));
    frames.clear();
}

int DetectImageFormat(QeStream& stream) {
    uint8_t head[8];
    if (!stream.Peek(head, sizeof(head))) return kImageOther;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(head, kPng, 8) == 0) return kImagePng;
    if (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0) return kImageGif;
    if (head[0] == 0xFF && head[1] == 0xD8) return kImageJpeg;
    if (head[0] == 'B' && head[1] == 'M') return kImageBmp;
    return kImageOther;
}

int ImageFormatFromExtension(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return kImageOther;
    const std::wstring extension = path.substr(dot);
    if (extension == L".bmp") return kImageBmp;
    if (extension == L".jpg") return kImageJpeg;
    if (extension == L".png") return kImagePng;
    if (extension == L".gif") return kImageGif;
    return kImageOther;
}

namespace {

std::unique_ptr<QeImageDecoder> MakeDecoder(int format) {
    switch (format) {
        case kImageBmp: return std::make_unique<QeBmpDecoder>();
        case kImageJpeg: return std::make_unique<QeJpegDecoder>();
        case kImagePng: return std::make_unique<QePngDecoder>();
        case kImageGif: return std::make_unique<QeGifDecoder>();
        default: return nullptr;
    }
}

}  // namespace

bool DecodeImage(QeDecodedImage& image, QeStream& stream, int format) {
    if (format == kImageOther) format = DetectImageFormat(stream);
    std::unique_ptr<QeImageDecoder> decoder = MakeDecoder(format);
    if (decoder == nullptr || !decoder->Decode(stream) || decoder->Frames().empty()) return false;
    if (format == kImageGif) {
        const auto& gif = static_cast<const QeGifDecoder&>(*decoder);
        image.SetInfo(gif.ScreenWidth(), gif.ScreenHeight(), static_cast<int16_t>(gif.GlobalDepth()), gif.LoopCount());
    } else {
        const QeDib& first = *decoder->Frames().front();
        image.SetInfo(first.Width(), first.Height(), static_cast<int16_t>(first.BitsPerPixel()), 0);
    }
    image.TakeFrames(decoder->Frames());
    return true;
}

bool LoadImageFile(QeDecodedImage& image, const std::wstring& path, int format) {
    if (format == kImageOther) format = ImageFormatFromExtension(path);
    QeFileReader reader;
    if (!reader.Open(path)) return false;
    return DecodeImage(image, reader, format);
}
