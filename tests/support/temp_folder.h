// Private folders for tests that touch the file system, removed again with everything in them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // A path inside the folder.
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Points XDG_CONFIG_HOME at a fresh private folder and makes the registry read its store from
// there; puts the old setting back afterwards.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    const std::string& Path() const { return m_folder.Path(); }

private:
    TempFolder m_folder;
    bool m_hadOld = false;
    std::string m_old;
};

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteBytes(const std::string& path, const std::string& bytes);
// Empty when the file cannot be read.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

}  // namespace testsupport
