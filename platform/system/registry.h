// The registry calls the program keeps its settings with. Only HKEY_CURRENT_USER exists; it lives
// in one file per user, $XDG_CONFIG_HOME/tevrik/registry (~/.config/tevrik/registry when the
// variable is unset or not an absolute path), rewritten atomically after every change.
// Key and value names compare without regard to ASCII case; "\" separates the keys of a path.
#pragma once

#include <string>

#include "platform/win_types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

#ifndef ERROR_SUCCESS
#define ERROR_SUCCESS 0L
#endif
#ifndef ERROR_FILE_NOT_FOUND
#define ERROR_FILE_NOT_FOUND 2L
#endif
#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_WRITE_FAULT
#define ERROR_WRITE_FAULT 29L
#endif
#ifndef ERROR_INVALID_PARAMETER
#define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_MORE_DATA
#define ERROR_MORE_DATA 234L
#endif
#ifndef ERROR_KEY_DELETED
#define ERROR_KEY_DELETED 1018L
#endif

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens the key, creating it and every missing key on its path. The class, options, access and
// security arguments are accepted and ignored. The disposition, when asked for, tells whether the
// key was made. A key that cannot be saved is not made (ERROR_WRITE_FAULT).
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                     void* securityAttributes, PHKEY result, LPDWORD disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCloseKey(HKEY key);
// Stores the bytes as they are, whatever the type says. A change that cannot be saved is undone
// and reported as ERROR_WRITE_FAULT.
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// The stored bytes whatever the type. A null data pointer asks for the size only; a buffer smaller
// than the value gives ERROR_MORE_DATA with the needed size and copies nothing.
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);

// The file the store is kept in, as the environment names it now.
std::string RegistryStorePath();
// Forgets the store held in memory; the next call reads it again from the file the environment
// names then. Open handles stay valid and refer to the same key paths.
void RegistryDropStore();
// Reads a store file's text as a start does, leaving the store alone: false with the reason on any
// flaw; otherwise true with the text a save of what it holds writes. The fuzzer's way in.
bool RegistryReadStoreText(const std::string& text, std::string& saved, std::string& reason);
