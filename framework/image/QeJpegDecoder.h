// JPEG files through libjpeg: greyscale (8 bits with a grey palette), colour and CMYK (24 bits,
// blue-green-red), bottom row first. Library errors fail the decode; warnings go to the trace.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "framework/image/QeImageDecoder.h"

// Feeds libjpeg from a stream in 4096-byte reads; an early end becomes a warning and a fake
// end-of-image mark, so a cut file still yields a picture.
struct QeStreamJpegSource {
    static constexpr size_t kBufferSize = 4096;

    jpeg_source_mgr pub;
    QeStream* stream;
    JOCTET* buffer;
    bool startOfFile;

    // Once per decompression; the record and its buffer live in libjpeg's permanent pool.
    static void Install(j_decompress_ptr info, QeStream& stream);
};

class QeJpegDecoder : public QeImageDecoder {
public:
    // Scans beyond this many make a file fail: each one walks the whole picture again.
    static constexpr int kMaxScans = 500;
    // What libjpeg itself may allocate for one file.
    static constexpr long kMaxLibraryMemory = 256L << 20;

    QeJpegDecoder();
    bool Decode(QeStream& stream) override;

    struct ErrorManager {
        jpeg_error_mgr pub;
        jmp_buf jump;
    };

private:
    // The part that libjpeg may leave by a long jump; it owns nothing that needs destroying.
    bool Decompress(QeStream& stream, QeDib& frame);

    ErrorManager m_error;
    jpeg_decompress_struct m_info;
    jpeg_progress_mgr m_progress;
    bool m_cmyk = false;
};
