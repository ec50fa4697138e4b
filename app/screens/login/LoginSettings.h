// The saved login: the registry values the login screen reads and writes under the program's key.
// The kept credential hash itself goes only through SavePassword / LoadSavedPassword.
#pragma once

#include <cstdint>
#include <string>

#include "messenger/model/SettingsKey.h"

namespace LoginSettings {

// The program's key, which the credentials and the options share.
inline constexpr const wchar_t* kKeyPath = kSettingsKeyPath;
inline constexpr wchar_t kUserId[] = L"LoginUserId";
inline constexpr wchar_t kKeepIdPassword[] = L"LoginKeepIdPassword";
inline constexpr wchar_t kAgreed[] = L"AgreedWithWirelessConnection";

struct Saved {
    bool keyOpened = false;
    std::wstring id;
    std::wstring hash;
    uint32_t keep = 0;
};

// What is saved; keyOpened false (and nothing else read) when the key does not exist.
Saved Read();
// Whether the user has said not to be asked again for the wireless connection.
bool Agreed();
void WriteAgreed(bool agreed);
// The id and the keep flag, creating the key; false when it cannot be created.
bool WriteLogin(const std::wstring& id, bool keep);

}  // namespace LoginSettings
