#include "platform/system/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::ScopedConfigHome;
using testsupport::WriteBytes;

const wchar_t* const kKey = L"Software\\Quandell\\ZevivoZadoruvuv";

HKEY CreateKey(const wchar_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             disposition));
    return key;
}

LONG OpenKey(const wchar_t* path, HKEY* key) { return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, key); }

LONG SetBytes(HKEY key, const wchar_t* name, DWORD type, const std::vector<uint8_t>& bytes) {
    return RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// The stored bytes of a value under kKey, read through a fresh handle; false when it is missing.
bool ReadValue(const wchar_t* name, std::vector<uint8_t>& bytes, DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (OpenKey(kKey, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool ok = RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        bytes.assign(size, 0);
        ok = RegQueryValueExW(key, name, nullptr, type, bytes.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    std::string StoreFolder() const { return m_home.Path() + "/tevrik"; }
    std::string StoreFile() const { return StoreFolder() + "/registry"; }

    ScopedConfigHome m_home;
};

TEST_F(RegistryTest, StoreLivesUnderTheConfigHome) {
    EXPECT_EQ(m_home.Path() + "/tevrik/registry", RegistryStorePath());

    // A relative setting is not a base folder: the home folder's .config is used instead.
    const std::string saved = m_home.Path();
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ("/home/someone/.config/tevrik/registry", RegistryStorePath());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ("/home/someone/.config/tevrik/registry", RegistryStorePath());
    setenv("XDG_CONFIG_HOME", (saved + "/").c_str(), 1);
    EXPECT_EQ(saved + "/tevrik/registry", RegistryStorePath());
    if (oldHome != nullptr) {
        setenv("HOME", savedHome.c_str(), 1);
    } else {
        unsetenv("HOME");
    }
}

TEST_F(RegistryTest, ReadingNeverCreatesKeysOrFiles) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey(kKey, &key));
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(HKEY_CURRENT_USER, L"Missing", nullptr, nullptr, nullptr, &size));
    EXPECT_FALSE(Exists(StoreFile()));
    EXPECT_FALSE(Exists(StoreFolder()));
}

TEST_F(RegistryTest, CreateMakesTheWholePathAndReportsWhatItDid) {
    DWORD disposition = 0;
    HKEY key = CreateKey(kKey, &disposition);
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    // Every intermediate key now opens, whatever the case of the names.
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, OpenKey(L"SOFTWARE\\quandell", &parent));
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(parent, L"zevivozadoruvuv", 0, KEY_ALL_ACCESS, &child));
    RegCloseKey(child);
    RegCloseKey(parent);

    key = CreateKey(L"software\\QUANDELL\\ZevivoZadoruvuv\\", &disposition);
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    RegCloseKey(key);
}

TEST_F(RegistryTest, MalformedPathsAndHandlesAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"\\Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(HKEY_CURRENT_USER, std::wstring(256, L'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr));
    EXPECT_FALSE(Exists(StoreFile()));

    key = CreateKey(kKey);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    DWORD value = 1;
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegSetValueExW(key, L"A", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value));
    DWORD size = sizeof value;
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegQueryValueExW(key, L"A", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size));
}

TEST_F(RegistryTest, QueryGivesRawBytesSizesAndTypes) {
    HKEY key = CreateKey(kKey);
    const std::vector<uint8_t> text = {'h', 0, 'i', 0};
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"Name", REG_SZ, text));

    // A null data pointer asks for the size.
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"NAME", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(4u, size);

    // Too small a buffer: the needed size comes back and not one byte is copied.
    std::vector<uint8_t> buffer(3, 0xAA);
    size = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, L"name", nullptr, nullptr, buffer.data(), &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(std::vector<uint8_t>(3, 0xAA), buffer);

    buffer.assign(10, 0xAA);
    size = 10;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Name", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(text, std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4));
    EXPECT_EQ(0xAA, buffer[4]);

    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, L"Name", nullptr, nullptr, buffer.data(), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"Other", nullptr, nullptr, nullptr, &size));

    // An empty value exists and is empty.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Empty", 0, REG_SZ, nullptr, 0));
    size = 10;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Empty", nullptr, nullptr, buffer.data(), &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(key, L"Bad", 0, REG_BINARY, nullptr, 4));

    // Overwriting replaces both the type and the bytes.
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"name", REG_BINARY, {1, 2, 3, 4, 5, 6}));
    size = 10;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Name", nullptr, &type, buffer.data(), &size));
    EXPECT_EQ(REG_BINARY, type);
    EXPECT_EQ(6u, size);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ValuesSurviveAReloadFromDisk) {
    std::vector<uint8_t> everyByte;
    for (int i = 0; i < 256; ++i) everyByte.push_back(static_cast<uint8_t>(i));
    std::vector<uint8_t> longText;
    for (int i = 0; i < 4096; ++i) {
        longText.push_back(static_cast<uint8_t>('A' + i % 26));
        longText.push_back(0);
    }
    const std::wstring oddName = L"name with spaces\nand \xD55C\xAE00 \U0001F600";

    HKEY key = CreateKey(kKey);
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"Binary", REG_BINARY, everyByte));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"Long", REG_SZ, longText));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, oddName.c_str(), REG_DWORD, {7, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"", REG_SZ, {'d', 0}));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"Empty", REG_SZ, {}));
    RegCloseKey(key);
    RegCloseKey(CreateKey(L"Software\\Quandell\\EmptyKey"));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"AtTheRoot", 0x12345678, {9}));

    RegistryDropStore();

    std::vector<uint8_t> bytes;
    DWORD type = 0;
    ASSERT_TRUE(ReadValue(L"binary", bytes, &type));
    EXPECT_EQ(everyByte, bytes);
    EXPECT_EQ(REG_BINARY, type);
    ASSERT_TRUE(ReadValue(L"LONG", bytes));
    EXPECT_EQ(longText, bytes);
    ASSERT_TRUE(ReadValue(oddName.c_str(), bytes, &type));
    EXPECT_EQ(std::vector<uint8_t>({7, 0, 0, 0}), bytes);
    EXPECT_EQ(REG_DWORD, type);
    ASSERT_TRUE(ReadValue(nullptr, bytes));
    EXPECT_EQ(std::vector<uint8_t>({'d', 0}), bytes);
    ASSERT_TRUE(ReadValue(L"Empty", bytes));
    EXPECT_TRUE(bytes.empty());
    HKEY empty = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, OpenKey(L"software\\quandell\\emptykey", &empty));
    RegCloseKey(empty);
    DWORD size = 1;
    uint8_t one = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(HKEY_CURRENT_USER, L"attheroot", nullptr, &type, &one, &size));
    EXPECT_EQ(0x12345678u, type);
    EXPECT_EQ(9, one);

    // Only the store itself is left in the folder: no temporary files, no backups.
    EXPECT_EQ(std::vector<std::string>({"registry"}), FolderEntries(StoreFolder()));
    // The store holds the saved login: only its owner may read it.
    EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
              std::filesystem::status(StoreFile()).permissions());
}

TEST_F(RegistryTest, HandlesOutliveAReload) {
    HKEY key = CreateKey(kKey);
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"A", REG_BINARY, {1}));
    RegistryDropStore();
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(key, L"B", REG_BINARY, {2}));
    RegistryDropStore();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadValue(L"A", bytes));
    EXPECT_EQ(std::vector<uint8_t>({1}), bytes);
    ASSERT_TRUE(ReadValue(L"B", bytes));
    EXPECT_EQ(std::vector<uint8_t>({2}), bytes);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryTest, AChangeThatCannotBeSavedIsUndone) {
    // The settings folder cannot be made where a plain file stands.
    ASSERT_TRUE(WriteBytes(StoreFolder(), std::string("not a folder")));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_WRITE_FAULT,
              RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey(L"Software", &key));

    EXPECT_EQ(ERROR_WRITE_FAULT, SetBytes(HKEY_CURRENT_USER, L"V", REG_BINARY, {1}));
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(HKEY_CURRENT_USER, L"V", nullptr, nullptr, nullptr, &size));

    // Once the folder can be made again, the same calls succeed.
    std::filesystem::remove(StoreFolder());
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"V", REG_BINARY, {1}));
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"V", REG_BINARY, {2, 3}));
    std::filesystem::remove(StoreFile());
    std::filesystem::create_directory(StoreFile());  // the rename onto it now fails
    EXPECT_EQ(ERROR_WRITE_FAULT, SetBytes(HKEY_CURRENT_USER, L"V", REG_BINARY, {4}));
    uint8_t buffer[4] = {};
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(HKEY_CURRENT_USER, L"V", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(2, buffer[0]);
    EXPECT_EQ(std::vector<std::string>({"registry"}), FolderEntries(StoreFolder()));
}

TEST_F(RegistryTest, TemporaryFilesOfCutSavesGoAtTheNextLoad) {
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"Kept", REG_BINARY, {1}));
    // What a save killed before its rename leaves, and neighbours that only look alike.
    for (const char* name : {"registry.tmp-AbC123", "registry.tmp-000000", "registry.tmp-ab", "registry.tmp-abc1234",
                             "registry.tmp-ab.c12", "other.tmp-AbC123", "registry.damaged-1"}) {
        ASSERT_TRUE(WriteBytes(StoreFolder() + "/" + name, std::string("partial")));
    }
    std::filesystem::create_directory(StoreFolder() + "/registry.tmp-Folder");
    const std::vector<std::string> left = {"other.tmp-AbC123",    "registry",         "registry.damaged-1",
                                           "registry.tmp-Folder", "registry.tmp-ab", "registry.tmp-ab.c12",
                                           "registry.tmp-abc1234"};
    RegistryDropStore();
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(HKEY_CURRENT_USER, L"Kept", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(left, FolderEntries(StoreFolder()));

    // Also when the store itself was never written.
    std::filesystem::remove(StoreFile());
    ASSERT_TRUE(WriteBytes(StoreFolder() + "/registry.tmp-zzzzzz", std::string("partial")));
    RegistryDropStore();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(HKEY_CURRENT_USER, L"Kept", nullptr, nullptr, nullptr, &size));
    EXPECT_FALSE(Exists(StoreFolder() + "/registry.tmp-zzzzzz"));
}

TEST_F(RegistryTest, AStoreTooLargeToReadBackIsNotWritten) {
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"Small", REG_BINARY, {1}));
    const std::vector<uint8_t> huge(40u << 20, 0x5A);
    EXPECT_EQ(ERROR_WRITE_FAULT, SetBytes(HKEY_CURRENT_USER, L"Huge", REG_BINARY, huge));
    RegistryDropStore();
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(HKEY_CURRENT_USER, L"Huge", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(HKEY_CURRENT_USER, L"Small", nullptr, nullptr, nullptr, &size));
}

class DamagedStoreTest : public RegistryTest {
protected:
    // Loads the store from a file holding these bytes; returns what went to stderr.
    std::string LoadFrom(const std::string& bytes) {
        RegistryDropStore();
        std::filesystem::create_directories(StoreFolder());
        EXPECT_TRUE(WriteBytes(StoreFile(), bytes));
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        m_lastOpen = OpenKey(kKey, &key);
        if (m_lastOpen == ERROR_SUCCESS) RegCloseKey(key);
        return testing::internal::GetCapturedStderr();
    }

    std::string ValidStore() {
        HKEY key = CreateKey(kKey);
        EXPECT_EQ(ERROR_SUCCESS, SetBytes(key, L"Id", REG_SZ, {'m', 0, 'e', 0}));
        EXPECT_EQ(ERROR_SUCCESS, SetBytes(key, L"Password", REG_BINARY, {0, 1, 2, 0xFF}));
        EXPECT_EQ(ERROR_SUCCESS, SetBytes(key, L"Auto", REG_DWORD, {1, 0, 0, 0}));
        RegCloseKey(key);
        return ReadBytes(StoreFile());
    }

    LONG m_lastOpen = ERROR_SUCCESS;
};

TEST_F(DamagedStoreTest, GarbageIsKeptAsideAndTheStoreStartsEmpty) {
    const std::string garbage = std::string("\x7f" "ELF\0\1\2 not a settings file\n", 29);
    const std::string message = LoadFrom(garbage);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, m_lastOpen);
    EXPECT_NE(std::string::npos, message.find(StoreFile()));
    EXPECT_NE(std::string::npos, message.find("damaged"));
    EXPECT_NE(std::string::npos, message.find(StoreFile() + ".damaged-1"));
    EXPECT_EQ(garbage, ReadBytes(StoreFile() + ".damaged-1"));
    EXPECT_FALSE(Exists(StoreFile()));

    // New settings go to a fresh file; a second damage does not replace the first backup.
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"After", REG_BINARY, {1}));
    EXPECT_EQ(garbage, ReadBytes(StoreFile() + ".damaged-1"));
    LoadFrom("tevrik-registry 1\nkey\nvalue zz 1 -\nend 2\n");
    EXPECT_EQ(garbage, ReadBytes(StoreFile() + ".damaged-1"));
    EXPECT_EQ("tevrik-registry 1\nkey\nvalue zz 1 -\nend 2\n", ReadBytes(StoreFile() + ".damaged-2"));
}

TEST_F(DamagedStoreTest, EveryTruncationIsDetectedAndKept) {
    const std::string whole = ValidStore();
    ASSERT_FALSE(whole.empty());
    EXPECT_TRUE(LoadFrom(whole).empty());
    EXPECT_EQ(ERROR_SUCCESS, m_lastOpen);

    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        const std::string cut = whole.substr(0, length);
        const std::string message = LoadFrom(cut);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, m_lastOpen);
        EXPECT_NE(std::string::npos, message.find("damaged"));
        EXPECT_EQ(cut, ReadBytes(StoreFile() + ".damaged-1"));
        std::filesystem::remove(StoreFile() + ".damaged-1");
    }
}

TEST_F(DamagedStoreTest, MalformedRecordsAreRefused) {
    const char* const damaged[] = {
        "tevrik-registry 2\nkey\nend 1\n",                        // a version this program does not know
        "tevrik-registry 1\nkey\nkey\nend 2\n",                   // the root twice
        "tevrik-registry 1\nkey\nkey 41\nkey 61\nend 3\n",        // one key twice, in another case
        "tevrik-registry 1\nvalue - 1 -\nend 1\n",                // a value before any key
        "tevrik-registry 1\nkey\nvalue 41 1 -\nvalue 61 1 -\nend 3\n",
        "tevrik-registry 1\nkey\nvalue 41 4294967296 -\nend 2\n",  // a type beyond 32 bits
        "tevrik-registry 1\nkey\nvalue 41 1 abc\nend 2\n",        // odd hex
        "tevrik-registry 1\nkey\nvalue c0af 1 -\nend 2\n",        // overlong UTF-8 name
        "tevrik-registry 1\nkey 5c\nend 2\n",                     // a key name holding a separator
        "tevrik-registry 1\nkey\nend 1\nkey 41\n",                // records after the end
        "tevrik-registry 1\nkey\nend 2\n",                        // a record lost
        "tevrik-registry 1\nkey\nend 18446744073709551617\n",     // a count beyond 64 bits
        "tevrik-registry 1\nkey\nfrobnicate\nend 2\n",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        EXPECT_NE(std::string::npos, LoadFrom(text).find("damaged"));
        EXPECT_EQ(text, ReadBytes(StoreFile() + ".damaged-1"));
        std::filesystem::remove(StoreFile() + ".damaged-1");
    }
    EXPECT_TRUE(LoadFrom("tevrik-registry 1\nkey\nkey 41\nkey 41 42\nvalue - 1 -\nend 4\n").empty());
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, OpenKey(L"a\\b", &key));
    RegCloseKey(key);
}

TEST_F(DamagedStoreTest, KeysNestAtMost512Deep) {
    const auto file = [](size_t depth) {
        std::string line = "key";
        for (size_t i = 0; i < depth; ++i) line += " 61";
        return "tevrik-registry 1\nkey\n" + line + "\nend 2\n";
    };
    std::wstring deepest = L"a";
    for (int i = 1; i < 512; ++i) deepest += L"\\a";
    EXPECT_TRUE(LoadFrom(file(512)).empty());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, OpenKey(deepest.c_str(), &key));
    HKEY below = nullptr;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(key, L"a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &below, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, OpenKey((deepest + L"\\a").c_str(), &below));
    RegCloseKey(key);

    // A chain deep enough to exhaust the stack when freed is refused like any other damage.
    for (size_t depth : {size_t{513}, size_t{300000}}) {
        EXPECT_NE(std::string::npos, LoadFrom(file(depth)).find("too deep"));
        EXPECT_EQ(file(depth), ReadBytes(StoreFile() + ".damaged-1"));
        std::filesystem::remove(StoreFile() + ".damaged-1");
    }
}

TEST_F(DamagedStoreTest, AnUnreadableStoreIsSetAsideToo) {
    std::filesystem::create_directories(StoreFile());
    RegistryDropStore();
    testing::internal::CaptureStderr();
    ASSERT_EQ(ERROR_SUCCESS, SetBytes(HKEY_CURRENT_USER, L"V", REG_BINARY, {5}));
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("damaged"));
    EXPECT_TRUE(std::filesystem::is_directory(StoreFile() + ".damaged-1"));
    RegistryDropStore();
    uint8_t byte = 0;
    DWORD size = 1;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(HKEY_CURRENT_USER, L"V", nullptr, nullptr, &byte, &size));
    EXPECT_EQ(5, byte);
}

}  // namespace
