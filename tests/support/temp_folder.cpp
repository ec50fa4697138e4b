#include "tests/support/temp_folder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/system/registry.h"

namespace testsupport {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/tevrik-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
}

TempFolder::~TempFolder() {
    if (m_path.empty()) return;
    std::error_code error;
    // Tests may take write permission away; give it back so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        chmod(it->path().c_str(), 0700);
    }
    chmod(m_path.c_str(), 0700);
    std::filesystem::remove_all(m_path, error);
}

ScopedConfigHome::ScopedConfigHome() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        m_hadOld = true;
        m_old = old;
    }
    setenv("XDG_CONFIG_HOME", m_folder.Path().c_str(), 1);
    RegistryDropStore();
}

ScopedConfigHome::~ScopedConfigHome() {
    RegistryDropStore();
    if (m_hadOld) {
        setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace testsupport
