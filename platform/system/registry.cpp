#include "platform/system/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/posix_io.h"
#include "platform/system/text.h"

// The store file, one record a line, every name and every value's bytes in hexadecimal so that no
// character can break the layout:
//   tevrik-registry 1
//   key [<component hex> ...]            the key the following values belong to (none: the root)
//   value <name hex or -> <type> <data hex or ->
//   end <number of key and value lines>
// The closing count catches a file cut short at a line boundary.

namespace {

constexpr const char* kMagic = "tevrik-registry 1";
constexpr size_t kMaxFileSize = 64u << 20;
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// Keys are saved, read and freed recursively, so their nesting is bounded as on the original
// platform: a damaged file of a deep chain of keys must not exhaust the stack at start.
constexpr size_t kMaxKeyDepth = 512;
// A save writes "<store>.tmp-" and mkostemp's six letters or digits, then renames it over the store.
constexpr char kTemporaryInfix[] = ".tmp-";
constexpr size_t kTemporaryLetters = 6;

struct Value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct Key {
    std::wstring name;
    std::map<std::wstring, std::unique_ptr<Key>> children;  // by folded name
    std::map<std::wstring, Value> values;                   // by folded name
};

using KeyPath = std::vector<std::wstring>;  // folded names from the root

std::wstring Fold(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return out;
}

bool ValidCodePoint(wchar_t c) {
    const long v = static_cast<long>(c);
    return v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF);
}

bool ValidName(const std::wstring& name) {
    for (wchar_t c : name) {
        if (!ValidCodePoint(c)) return false;
    }
    return true;
}

// Strict: anything but well-formed UTF-8 of valid, non-NUL code points is refused.
bool FromUtf8(const std::string& bytes, std::wstring& out) {
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t i = 0;
    while (i < bytes.size()) {
        uint32_t c = 0;
        bool valid = false;
        i += Utf8DecodeStep(p + i, bytes.size() - i, c, valid);
        if (!valid || c == 0) return false;
        out += static_cast<wchar_t>(c);
    }
    return true;
}

std::string ToHex(const uint8_t* data, size_t size) { return size == 0 ? "-" : HexText(data, size); }

bool FromHex(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    if (text == "-") return true;
    if (text.empty() || text.size() % 2 != 0) return false;
    out.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexDigitValue(static_cast<unsigned char>(text[i]));
        const int lo = HexDigitValue(static_cast<unsigned char>(text[i + 1]));
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

bool NameFromHex(const std::string& text, std::wstring& out) {
    std::vector<uint8_t> bytes;
    if (!FromHex(text, bytes)) return false;
    return FromUtf8(std::string(bytes.begin(), bytes.end()), out);
}

std::vector<std::string> SplitSpaces(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    while (true) {
        const size_t space = line.find(' ', start);
        out.push_back(line.substr(start, space == std::string::npos ? std::string::npos : space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return out;
}

bool ParseDecimal(const std::string& text, uint64_t limit, uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (out > (limit - digit) / 10) return false;
        out = out * 10 + digit;
    }
    return true;
}

void Serialize(const Key& key, std::vector<std::wstring>& path, std::string& out, size_t& records) {
    out += "key";
    for (const std::wstring& component : path) {
        const std::string utf8 = TextWideToUtf8(component);
        out += ' ';
        out += ToHex(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    }
    out += '\n';
    ++records;
    for (const auto& [folded, value] : key.values) {
        const std::string name = TextWideToUtf8(value.name);
        out += "value ";
        out += ToHex(reinterpret_cast<const uint8_t*>(name.data()), name.size());
        out += ' ';
        out += std::to_string(value.type);
        out += ' ';
        out += ToHex(value.data.data(), value.data.size());
        out += '\n';
        ++records;
    }
    for (const auto& [folded, child] : key.children) {
        path.push_back(child->name);
        Serialize(*child, path, out, records);
        path.pop_back();
    }
}

// The whole file a save writes for the tree.
std::string StoreText(const Key& root) {
    std::string text = std::string(kMagic) + "\n";
    size_t records = 0;
    std::vector<std::wstring> path;
    Serialize(root, path, text, records);
    text += "end " + std::to_string(records) + "\n";
    return text;
}

// Rebuilds the tree from the file's text; false with a reason on any flaw.
bool Deserialize(const std::string& text, Key& root, std::string& reason) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            reason = "the last line is cut short";
            return false;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines[0] != kMagic) {
        reason = "it does not begin with the expected header";
        return false;
    }
    Key* current = nullptr;
    size_t records = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = SplitSpaces(lines[i]);
        const std::string where = " (line " + std::to_string(i + 1) + ")";
        if (fields[0] == "end") {
            uint64_t count = 0;
            if (fields.size() != 2 || !ParseDecimal(fields[1], UINT64_MAX, count) || count != records ||
                i + 1 != lines.size()) {
                reason = "its closing line does not match its contents" + where;
                return false;
            }
            return true;
        }
        if (fields[0] == "key") {
            if (fields.size() - 1 > kMaxKeyDepth) {
                reason = "a key lies too deep" + where;
                return false;
            }
            Key* key = &root;
            bool created = false;
            for (size_t f = 1; f < fields.size(); ++f) {
                std::wstring name;
                if (!NameFromHex(fields[f], name) || name.empty() || name.size() > kMaxKeyNameLength ||
                    name.find(L'\\') != std::wstring::npos) {
                    reason = "a key name is malformed" + where;
                    return false;
                }
                std::unique_ptr<Key>& slot = key->children[Fold(name)];
                if (!slot) {
                    slot = std::make_unique<Key>();
                    slot->name = name;
                    created = true;
                }
                key = slot.get();
            }
            // Every key is listed once, after its parent; the root comes first.
            if (fields.size() > 1 ? !created : current != nullptr) {
                reason = "a key is listed twice" + where;
                return false;
            }
            current = key;
            ++records;
            continue;
        }
        if (fields[0] == "value") {
            Value value;
            uint64_t type = 0;
            std::wstring name;
            if (current == nullptr || fields.size() != 4 || !(fields[1] == "-" || NameFromHex(fields[1], name)) ||
                name.size() > kMaxValueNameLength || !ParseDecimal(fields[2], UINT32_MAX, type) ||
                !FromHex(fields[3], value.data)) {
                reason = "a value line is malformed" + where;
                return false;
            }
            value.name = name;
            value.type = static_cast<DWORD>(type);
            if (!current->values.emplace(Fold(name), std::move(value)).second) {
                reason = "a value is listed twice" + where;
                return false;
            }
            ++records;
            continue;
        }
        reason = "a line is not understood" + where;
        return false;
    }
    reason = "it ends without its closing line";
    return false;
}

bool MakeDirectories(const std::string& directory) {
    if (directory.empty()) return false;
    for (size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        const std::string part = directory.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Moves the file aside under a name that no earlier backup holds; the new name, or empty.
std::string SetAside(const std::string& path) {
    for (int n = 1; n <= 1000; ++n) {
        const std::string backup = path + ".damaged-" + std::to_string(n);
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0) return backup;
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) return std::string();
        // A file system without the no-replace rename: a hard link cannot replace either.
        if (link(path.c_str(), backup.c_str()) == 0) {
            unlink(path.c_str());
            return backup;
        }
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

// A save killed between writing its temporary file and renaming it leaves that file behind. One
// instance owns the folder, so when the store is loaded no save is under way and every file named
// as Persist names its temporaries is such a leftover.
void RemoveStaleTemporaries(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    const std::string prefix = path.substr(directory.size() + 1) + kTemporaryInfix;
    DIR* folder = opendir(directory.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kTemporaryLetters || name.compare(0, prefix.size(), prefix) != 0) continue;
        bool generated = true;
        for (size_t i = prefix.size(); i < name.size(); ++i) {
            const char c = name[i];
            generated = generated && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        }
        // A folder of that name is not ours: unlinkat refuses it.
        if (generated) unlinkat(dirfd(folder), name.c_str(), 0);
    }
    closedir(folder);
}

class Registry {
public:
    LONG Create(HKEY base, LPCWSTR subKey, PHKEY result, LPDWORD disposition);
    LONG Open(HKEY base, LPCWSTR subKey, PHKEY result);
    LONG Close(HKEY key);
    LONG Set(HKEY key, LPCWSTR valueName, DWORD type, const BYTE* data, DWORD size);
    LONG Query(HKEY key, LPCWSTR valueName, LPDWORD type, LPBYTE data, LPDWORD size);
    void Drop();

private:
    void EnsureLoaded();
    bool Persist();
    LONG ResolvePath(HKEY base, LPCWSTR subKey, KeyPath& path, std::vector<std::wstring>* names);
    Key* Find(const KeyPath& path);
    HKEY NewHandle(const KeyPath& path);

    std::mutex m_mutex;
    bool m_loaded = false;
    bool m_writable = true;  // false when a damaged file could not be set aside
    std::string m_path;
    std::unique_ptr<Key> m_root;
    std::map<std::uintptr_t, KeyPath> m_handles;
    std::uintptr_t m_nextHandle = 0x1000;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void Registry::EnsureLoaded() {
    if (m_loaded) return;
    m_loaded = true;
    m_writable = true;
    m_root = std::make_unique<Key>();
    m_path = RegistryStorePath();
    if (m_path.empty()) return;
    RemoveStaleTemporaries(m_path);

    std::string reason;
    std::string text;
    const int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // No file, or no folder for it: nothing was ever saved here.
        if (errno == ENOENT || errno == ENOTDIR) return;
        reason = std::string("it cannot be opened: ") + std::strerror(errno);
    } else {
        char buffer[65536];
        while (true) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                reason = std::string("it cannot be read: ") + std::strerror(errno);
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<size_t>(n));
            if (text.size() > kMaxFileSize) {
                reason = "it is far too large";
                break;
            }
        }
        close(fd);
    }
    if (reason.empty()) {
        auto root = std::make_unique<Key>();
        if (Deserialize(text, *root, reason)) {
            m_root = std::move(root);
            return;
        }
    }
    const std::string backup = SetAside(m_path);
    if (backup.empty()) {
        m_writable = false;
        std::fprintf(stderr,
                     "tevrik: the settings file %s is damaged (%s) and could not be set aside (%s); the settings "
                     "start empty and changes will not be saved.\n",
                     m_path.c_str(), reason.c_str(), std::strerror(errno));
    } else {
        std::fprintf(stderr, "tevrik: the settings file %s is damaged (%s); it was kept as %s and the settings start "
                     "empty.\n",
                     m_path.c_str(), reason.c_str(), backup.c_str());
    }
}

bool Registry::Persist() {
    if (!m_writable || m_path.empty()) return false;
    const std::string directory = DirectoryOf(m_path);
    if (!MakeDirectories(directory)) return false;

    const std::string text = StoreText(*m_root);
    // A file the next start would refuse to read is not written at all.
    if (text.size() > kMaxFileSize) return false;

    std::string temporary = m_path + kTemporaryInfix + std::string(kTemporaryLetters, 'X');
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text.data(), text.size()) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temporary.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself must reach the disk too.
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

LONG Registry::ResolvePath(HKEY base, LPCWSTR subKey, KeyPath& path, std::vector<std::wstring>* names) {
    if (base == HKEY_CURRENT_USER) {
        path.clear();
    } else {
        const auto found = m_handles.find(reinterpret_cast<std::uintptr_t>(base));
        if (found == m_handles.end()) return ERROR_INVALID_HANDLE;
        path = found->second;
    }
    if (names != nullptr) names->clear();
    const std::wstring text = subKey != nullptr ? std::wstring(subKey) : std::wstring();
    if (text.empty()) return ERROR_SUCCESS;
    if (text[0] == L'\\') return ERROR_BAD_PATHNAME;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring name = text.substr(start, end - start);
        if (name.empty()) return ERROR_BAD_PATHNAME;  // "a\\b": only one trailing "\" is allowed
        if (name.size() > kMaxKeyNameLength || !ValidName(name)) return ERROR_INVALID_PARAMETER;
        path.push_back(Fold(name));
        if (path.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
        if (names != nullptr) names->push_back(name);
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

Key* Registry::Find(const KeyPath& path) {
    Key* key = m_root.get();
    for (const std::wstring& name : path) {
        const auto found = key->children.find(name);
        if (found == key->children.end()) return nullptr;
        key = found->second.get();
    }
    return key;
}

HKEY Registry::NewHandle(const KeyPath& path) {
    const std::uintptr_t id = m_nextHandle++;
    m_handles[id] = path;
    return reinterpret_cast<HKEY>(id);
}

LONG Registry::Create(HKEY base, LPCWSTR subKey, PHKEY result, LPDWORD disposition) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    EnsureLoaded();
    KeyPath basePath;
    LONG status = ResolvePath(base, nullptr, basePath, nullptr);
    if (status != ERROR_SUCCESS) return status;
    Key* key = Find(basePath);
    if (key == nullptr) return ERROR_KEY_DELETED;
    KeyPath path;
    std::vector<std::wstring> names;
    status = ResolvePath(base, subKey, path, &names);
    if (status != ERROR_SUCCESS) return status;

    Key* firstParent = nullptr;
    std::wstring firstName;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::wstring& folded = path[basePath.size() + i];
        std::unique_ptr<Key>& slot = key->children[folded];
        if (!slot) {
            slot = std::make_unique<Key>();
            slot->name = names[i];
            if (firstParent == nullptr) {
                firstParent = key;
                firstName = folded;
            }
        }
        key = slot.get();
    }
    if (firstParent != nullptr && !Persist()) {
        firstParent->children.erase(firstName);
        return ERROR_WRITE_FAULT;
    }
    *result = NewHandle(path);
    if (disposition != nullptr) *disposition = firstParent != nullptr ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG Registry::Open(HKEY base, LPCWSTR subKey, PHKEY result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    EnsureLoaded();
    KeyPath path;
    const LONG status = ResolvePath(base, subKey, path, nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (Find(path) == nullptr) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG Registry::Close(HKEY key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    return m_handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG Registry::Set(HKEY handle, LPCWSTR valueName, DWORD type, const BYTE* data, DWORD size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    const std::wstring name = valueName != nullptr ? std::wstring(valueName) : std::wstring();
    if (name.size() > kMaxValueNameLength || !ValidName(name)) return ERROR_INVALID_PARAMETER;
    EnsureLoaded();
    KeyPath path;
    const LONG status = ResolvePath(handle, nullptr, path, nullptr);
    if (status != ERROR_SUCCESS) return status;
    Key* key = Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;

    const std::wstring folded = Fold(name);
    std::optional<Value> previous;
    const auto found = key->values.find(folded);
    if (found != key->values.end()) previous = found->second;
    Value& value = key->values[folded];
    if (!previous) value.name = name;
    value.type = type;
    value.data.assign(data, data + size);
    if (!Persist()) {
        if (previous) {
            key->values[folded] = std::move(*previous);
        } else {
            key->values.erase(folded);
        }
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

LONG Registry::Query(HKEY handle, LPCWSTR valueName, LPDWORD type, LPBYTE data, LPDWORD size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    const std::wstring name = valueName != nullptr ? std::wstring(valueName) : std::wstring();
    EnsureLoaded();
    KeyPath path;
    const LONG status = ResolvePath(handle, nullptr, path, nullptr);
    if (status != ERROR_SUCCESS) return status;
    Key* key = Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    const auto found = key->values.find(Fold(name));
    if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    const DWORD needed = static_cast<DWORD>(value.data.size());
    if (type != nullptr) *type = value.type;
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed != 0) std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

void Registry::Drop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loaded = false;
    m_root.reset();
    m_path.clear();
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return std::string();
}

}  // namespace

std::string RegistryStorePath() {
    // Relative settings folders are ignored, as the base-directory convention asks.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::string();
        base = home + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/tevrik/registry";
}

void RegistryDropStore() {
    TheRegistry().Drop();
}

bool RegistryReadStoreText(const std::string& text, std::string& saved, std::string& reason) {
    Key root;
    if (!Deserialize(text, root, reason)) return false;
    saved = StoreText(root);
    return true;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, PHKEY result,
                     LPDWORD disposition) {
    return TheRegistry().Create(key, subKey, result, disposition);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    return TheRegistry().Open(key, subKey, result);
}

LONG RegCloseKey(HKEY key) { return TheRegistry().Close(key); }

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    return TheRegistry().Set(key, valueName, type, data, size);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return TheRegistry().Query(key, valueName, type, data, size);
}
