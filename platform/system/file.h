// Wide-path file access in the C runtime's style. The program writes its paths with "\"
// separators; here they become "/" and the name is encoded as UTF-8 for the file system.
#pragma once

#include <cstdio>
#include <string>

// The file-system form of a program path, and back.
std::string PathToNative(const std::wstring& path);
std::wstring PathFromNative(const std::string& path);

// Modes are fopen's ("rb", "wb", "ab", ...). Null on failure.
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
// 0 on success, -1 on failure (errno is set).
int _wremove(const wchar_t* path);
int _wrename(const wchar_t* from, const wchar_t* to);
