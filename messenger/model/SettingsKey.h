// The program's one registry key under HKEY_CURRENT_USER: the saved login, the kept credentials and
// the options are all values of it.
#pragma once

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Quandell\\ZevivoZadoruvuv";
