#include "framework/base/QeStream.h"

#include <cstring>

#include "framework/base/QeStrings.h"
#include "platform/system/file.h"
#include "platform/system/text.h"

namespace {

int SeekOrigin(int origin) {
    switch (origin) {
        case 0: return SEEK_SET;
        case 1: return SEEK_CUR;
        case 2: return SEEK_END;
        default: return -1;
    }
}

bool SeekFile(FILE* file, int32_t offset, int origin) {
    if (file == nullptr) return false;
    const int whence = SeekOrigin(origin);
    if (whence < 0) return true;  // an unknown origin moves nothing
    return std::fseek(file, offset, whence) == 0;
}

uint32_t TellFile(FILE* file) {
    if (file == nullptr) return 0;
    const long position = std::ftell(file);
    return position < 0 ? 0 : static_cast<uint32_t>(position);
}

constexpr uint32_t kNarrowChunk = 8191;
constexpr uint32_t kWideChunkBytes = 16382;

// The rest of the file as 8-bit text: each chunk counts up to its first NUL byte, so a NUL drops
// the remainder of its own chunk only.
std::string ReadNarrowChunks(QeFileReader& reader) {
    std::string text;
    char buffer[kNarrowChunk + 1];
    for (;;) {
        std::memset(buffer, 0, sizeof(buffer));
        reader.Read(buffer, kNarrowChunk);
        if (reader.LastCount() == 0) break;
        text.append(buffer, std::strlen(buffer));
    }
    return text;
}

}  // namespace

bool QeStream::Peek(void* buffer, uint32_t n) {
    const bool complete = Read(buffer, n);
    Seek(-static_cast<int32_t>(m_lastCount), 1);
    return complete;
}

// --- QeFileReader

QeFileReader::~QeFileReader() { Close(); }

bool QeFileReader::Open(const std::wstring& path) {
    Close();
    m_file = _wfopen(path.c_str(), L"rb");
    return m_file != nullptr;
}

void QeFileReader::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

bool QeFileReader::Seek(int32_t offset, int origin) { return SeekFile(m_file, offset, origin); }

uint32_t QeFileReader::Tell() { return TellFile(m_file); }

bool QeFileReader::Read(void* buffer, uint32_t n) {
    m_lastCount = 0;
    if (m_file == nullptr || (buffer == nullptr && n > 0)) return false;
    m_lastCount = static_cast<uint32_t>(std::fread(buffer, 1, n, m_file));
    return m_lastCount == n;
}

// --- QeMemoryReader

QeMemoryReader::QeMemoryReader(const void* data, uint32_t size) { SetBuffer(data, size); }

void QeMemoryReader::SetBuffer(const void* data, uint32_t size) {
    m_data = static_cast<const uint8_t*>(data);
    m_size = data == nullptr ? 0 : size;
    m_position = m_data;
}

bool QeMemoryReader::Seek(int32_t offset, int origin) {
    int64_t base;
    switch (origin) {
        case 0: base = 0; break;
        case 1: base = m_position - m_data; break;
        case 2: base = m_size; break;
        default:
            m_position = m_data;
            return true;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(m_size)) return false;
    m_position = m_data + target;
    return true;
}

uint32_t QeMemoryReader::Tell() { return static_cast<uint32_t>(m_position - m_data); }

bool QeMemoryReader::Read(void* buffer, uint32_t n) {
    m_lastCount = 0;
    if (buffer == nullptr && n > 0) return false;
    const uint32_t remaining = m_size - Tell();
    const uint32_t count = n < remaining ? n : remaining;
    if (count > 0) {
        std::memcpy(buffer, m_position, count);
        m_position += count;
    }
    m_lastCount = count;
    return count == n;
}

// --- QeFileWriter

QeFileWriter::~QeFileWriter() { Close(); }

bool QeFileWriter::Open(const std::wstring& path, int mode) {
    Close();
    if (mode == 0) {
        m_file = _wfopen(path.c_str(), L"wb");
    } else if (mode == 1) {
        m_file = _wfopen(path.c_str(), L"ab");
    }
    return m_file != nullptr;
}

void QeFileWriter::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

bool QeFileWriter::Seek(int32_t offset, int origin) { return SeekFile(m_file, offset, origin); }

uint32_t QeFileWriter::Tell() { return TellFile(m_file); }

bool QeFileWriter::Write(const void* bytes, uint32_t n) {
    m_lastCount = 0;
    if (m_file == nullptr || (bytes == nullptr && n > 0)) return false;
    m_lastCount = static_cast<uint32_t>(std::fwrite(bytes, 1, n, m_file));
    return m_lastCount == n;
}

// --- QeMemoryWriter

bool QeMemoryWriter::Seek(int32_t, int) { return false; }

uint32_t QeMemoryWriter::Tell() { return Size(); }

bool QeMemoryWriter::Write(const void* bytes, uint32_t n) {
    m_lastCount = 0;
    if (bytes == nullptr && n > 0) return false;
    const auto* p = static_cast<const uint8_t*>(bytes);
    if (n > 0) m_bytes.insert(m_bytes.end(), p, p + n);
    m_lastCount = n;
    return true;
}

const uint8_t* QeMemoryWriter::Data() const { return m_bytes.empty() ? nullptr : m_bytes.data(); }

void QeMemoryWriter::Clear() { m_bytes.clear(); }

// --- Whole files

std::wstring ReadTextFile(const std::wstring& path) {
    QeFileReader reader;
    if (!reader.Open(path)) return std::wstring();
    uint8_t mark[3] = {};
    if (!reader.Read(mark, 3)) return std::wstring();

    if (mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
        return QeStrings::Utf8ToWide(ReadNarrowChunks(reader));
    }
    if (mark[0] == 0xFF && mark[1] == 0xFE) {
        if (!reader.Seek(-1, 1)) return std::wstring();
        // Chunks hold whole code units; a surrogate pair cut by a chunk boundary is joined by the
        // decoder, and a NUL unit drops the rest of its own chunk only.
        std::wstring text;
        Utf16LeDecoder decoder;
        uint8_t bytes[kWideChunkBytes];
        uint16_t units[kWideChunkBytes / 2];
        for (;;) {
            reader.Read(bytes, kWideChunkBytes);
            const uint32_t got = reader.LastCount();
            if (got == 0) break;
            size_t count = 0;
            for (; count < got / 2; ++count) {
                units[count] = static_cast<uint16_t>(bytes[2 * count] | (bytes[2 * count + 1] << 8));
                if (units[count] == 0) break;
            }
            decoder.Feed(units, count, text);
            if (count < got / 2) decoder.Finish(text);  // a surrogate before the NUL has lost its partner
            if (got % 2 != 0 && count == got / 2) {
                // The file ends inside a code unit.
                decoder.Finish(text);
                text += kReplacementCharacter;
            }
        }
        decoder.Finish(text);
        return text;
    }
    if (!reader.Seek(0, 0)) return std::wstring();
    return QeStrings::AnsiToWide(ReadNarrowChunks(reader));
}

std::string ReadNarrowTextFile(const std::wstring& path) {
    QeFileReader reader;
    if (!reader.Open(path)) return std::string();
    return ReadNarrowChunks(reader);
}

uint32_t QeFileSize(const std::wstring& path) {
    QeFileReader reader;
    if (!reader.Open(path) || !reader.Seek(0, 2)) return 0;
    return reader.Tell();
}
