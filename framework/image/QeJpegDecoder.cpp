#include "framework/image/QeJpegDecoder.h"

#include <cstring>
#include <memory>
#include <string>

#include <jerror.h>

#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"

namespace {

QeJpegDecoder::ErrorManager* Errors(j_common_ptr info) {
    return reinterpret_cast<QeJpegDecoder::ErrorManager*>(info->err);
}

// libjpeg's messages are ASCII.
void TraceLibraryMessage(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    const std::wstring wide(text, text + std::strlen(text));
    QeTrace(L"[QE+] QeJpegDecoder::Decode, %ls\n", wide.c_str());
}

void ErrorExit(j_common_ptr info) {
    TraceLibraryMessage(info);
    std::longjmp(Errors(info)->jump, 1);
}

void LimitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number <= QeJpegDecoder::kMaxScans) return;
    QeTrace(L"[QE+] QeJpegDecoder::Decode, more than %d scans.\n", QeJpegDecoder::kMaxScans);
    std::longjmp(Errors(info)->jump, 1);
}

QeStreamJpegSource* Source(j_decompress_ptr info) { return reinterpret_cast<QeStreamJpegSource*>(info->src); }

void InitSource(j_decompress_ptr info) { Source(info)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr info) {
    QeStreamJpegSource* source = Source(info);
    source->stream->Read(source->buffer, QeStreamJpegSource::kBufferSize);
    size_t count = source->stream->LastCount();
    if (count == 0) {
        if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = count;
    source->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    QeStreamJpegSource* source = Source(info);
    while (count > static_cast<long>(source->pub.bytes_in_buffer)) {
        count -= static_cast<long>(source->pub.bytes_in_buffer);
        FillInputBuffer(info);
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// Adobe CMYK is stored inverted: each byte is the amount of paper white, so ink-free pixels are 255.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<uint8_t>(cmyk[2] * k / 255);
        bgr[1] = static_cast<uint8_t>(cmyk[1] * k / 255);
        bgr[2] = static_cast<uint8_t>(cmyk[0] * k / 255);
    }
}

void SwapRedBlue(QeDib& frame) {
    for (int32_t y = 0; y < frame.Height(); ++y) {
        uint8_t* pixel = frame.Row(y);
        for (int32_t x = 0; x < frame.Width(); ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
    }
}

}  // namespace

void QeStreamJpegSource::Install(j_decompress_ptr info, QeStream& stream) {
    if (info->src == nullptr) {
        auto* common = reinterpret_cast<j_common_ptr>(info);
        auto* source = static_cast<QeStreamJpegSource*>(
            (*info->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(QeStreamJpegSource)));
        source->buffer = static_cast<JOCTET*>((*info->mem->alloc_small)(common, JPOOL_PERMANENT, kBufferSize));
        info->src = &source->pub;
    }
    QeStreamJpegSource* source = Source(info);
    source->pub.init_source = InitSource;
    source->pub.fill_input_buffer = FillInputBuffer;
    source->pub.skip_input_data = SkipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = TermSource;
    source->pub.next_input_byte = nullptr;
    source->pub.bytes_in_buffer = 0;
    source->stream = &stream;
    source->startOfFile = true;
}

QeJpegDecoder::QeJpegDecoder() {
    std::memset(&m_error, 0, sizeof(m_error));
    std::memset(&m_info, 0, sizeof(m_info));
    std::memset(&m_progress, 0, sizeof(m_progress));
}

bool QeJpegDecoder::Decode(QeStream& stream) {
    auto frame = std::make_unique<QeDib>();
    m_info.err = jpeg_std_error(&m_error.pub);
    m_error.pub.error_exit = ErrorExit;
    m_error.pub.output_message = TraceLibraryMessage;
    const bool decoded = Decompress(stream, *frame);
    jpeg_destroy_decompress(&m_info);
    if (!decoded) return false;
    m_frames.push_back(std::move(frame));
    return true;
}

bool QeJpegDecoder::Decompress(QeStream& stream, QeDib& frame) {
    if (setjmp(m_error.jump) != 0) return false;
    jpeg_create_decompress(&m_info);
    m_info.mem->max_memory_to_use = kMaxLibraryMemory;
    m_progress.progress_monitor = LimitScans;
    m_info.progress = &m_progress;
    QeStreamJpegSource::Install(&m_info, stream);
    jpeg_read_header(&m_info, TRUE);
    // Straight to the frame's blue-green-red order where the library can do it.
    if (m_info.out_color_space == JCS_RGB) m_info.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&m_info);

    // Colour quantisation is never asked for, so each pixel is output_components samples.
    const int components = m_info.output_components;
    m_cmyk = components == 4;
    if (components != 1 && components != 3 && !m_cmyk) return false;
    // The size is checked before libjpeg allocates its own buffers for the picture.
    if (!frame.Create(static_cast<int32_t>(m_info.output_width), static_cast<int32_t>(m_info.output_height),
                      m_cmyk ? 24 : components * 8))
        return false;
    jpeg_start_decompress(&m_info);
    if (components == 1) frame.FillGreyRamp();

    const int32_t height = frame.Height();
    JSAMPARRAY cmykRow = nullptr;
    if (m_cmyk)
        cmykRow = (*m_info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&m_info), JPOOL_IMAGE,
                                              m_info.output_width * 4, 1);
    while (m_info.output_scanline < m_info.output_height) {
        // Row k of the picture is row height - 1 - k of the frame.
        const auto k = static_cast<int32_t>(m_info.output_scanline);
        JSAMPROW target = frame.Row(height - 1 - k);
        if (jpeg_read_scanlines(&m_info, m_cmyk ? cmykRow : &target, 1) != 1) return false;
        if (m_cmyk) CmykRowToBgr(cmykRow[0], target, m_info.output_width);
    }
    jpeg_finish_decompress(&m_info);
    if (components == 3 && m_info.out_color_space != JCS_EXT_BGR) SwapRedBlue(frame);
    return true;
}
