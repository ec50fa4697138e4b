// Byte streams: one interface for reading and one for writing, over files and over memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class QeStreamBase {
public:
    virtual ~QeStreamBase() = default;
    // Origins: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(int32_t offset, int origin) = 0;
    virtual uint32_t Tell() = 0;
    // Bytes moved by the last Read or Write.
    uint32_t LastCount() const { return m_lastCount; }

protected:
    uint32_t m_lastCount = 0;
};

class QeStream : public QeStreamBase {
public:
    // True only when all n bytes were read.
    virtual bool Read(void* buffer, uint32_t n) = 0;
    // Reads n bytes and moves back to where it was.
    bool Peek(void* buffer, uint32_t n);
};

class QeFileReader : public QeStream {
public:
    QeFileReader() = default;
    ~QeFileReader() override;
    QeFileReader(const QeFileReader&) = delete;
    QeFileReader& operator=(const QeFileReader&) = delete;
    bool Open(const std::wstring& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;
    bool Read(void* buffer, uint32_t n) override;

private:
    FILE* m_file = nullptr;
};

class QeMemoryReader : public QeStream {
public:
    QeMemoryReader() = default;
    QeMemoryReader(const void* data, uint32_t size);
    void SetBuffer(const void* data, uint32_t size);
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;
    bool Read(void* buffer, uint32_t n) override;
    const uint8_t* Data() const { return m_data; }
    uint32_t Size() const { return m_size; }

private:
    const uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    const uint8_t* m_position = nullptr;
};

class QeOutputStream : public QeStreamBase {
public:
    // True only when all n bytes were written.
    virtual bool Write(const void* bytes, uint32_t n) = 0;
};

class QeFileWriter : public QeOutputStream {
public:
    QeFileWriter() = default;
    ~QeFileWriter() override;
    QeFileWriter(const QeFileWriter&) = delete;
    QeFileWriter& operator=(const QeFileWriter&) = delete;
    // Mode 0 creates or truncates, mode 1 appends; any other mode opens nothing.
    bool Open(const std::wstring& path, int mode);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;
    bool Write(const void* bytes, uint32_t n) override;

private:
    FILE* m_file = nullptr;
};

class QeMemoryWriter : public QeOutputStream {
public:
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;
    bool Write(const void* bytes, uint32_t n) override;
    // Null while nothing has been written.
    const uint8_t* Data() const;
    uint32_t Size() const { return static_cast<uint32_t>(m_bytes.size()); }
    void Clear();

private:
    std::vector<uint8_t> m_bytes;
};

// Whole-file operations. ReadTextFile picks UTF-8 or UTF-16LE by the byte-order mark, else the
// ANSI code page; every failure reads as empty.
std::wstring ReadTextFile(const std::wstring& path);
std::string ReadNarrowTextFile(const std::wstring& path);
uint32_t QeFileSize(const std::wstring& path);
