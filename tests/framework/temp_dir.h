// A private temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/system/file.h"

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/tevrik-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) m_native = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_native.empty()) std::filesystem::remove_all(m_native, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool Valid() const { return !m_native.empty(); }
    // The program's form of a path inside the folder ("\" separators).
    std::wstring Path(const std::wstring& name) const { return PathFromNative(m_native) + L"\\" + name; }
    std::string NativePath(const std::string& name) const { return m_native + "/" + name; }

    void WriteBytes(const std::string& name, const std::string& bytes) const {
        FILE* f = std::fopen(NativePath(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
    }
    std::string ReadBytes(const std::string& name) const {
        std::string bytes;
        if (FILE* f = std::fopen(NativePath(name).c_str(), "rb")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
            std::fclose(f);
        }
        return bytes;
    }

private:
    std::string m_native;
};
