#include "app/screens/login/LoginSettings.h"

#include "framework/base/QeRegistry.h"
#include "messenger/model/Credentials.h"

namespace LoginSettings {

Saved Read() {
    Saved saved;
    QeRegistryKey key;
    if (!key.Open(kKeyPath, HKEY_CURRENT_USER)) return saved;
    saved.keyOpened = true;
    saved.id = key.QueryString(kUserId, L"");
    saved.keep = key.QueryDword(kKeepIdPassword, 0);
    key.Close();
    LoadSavedPassword(saved.hash);
    return saved;
}

bool Agreed() { return QeRegistry::ReadDword(kKeyPath, kAgreed, 0) != 0; }

void WriteAgreed(bool agreed) { QeRegistry::WriteDword(kKeyPath, kAgreed, agreed ? 1 : 0); }

bool WriteLogin(const std::wstring& id, bool keep) {
    QeRegistryKey key;
    if (!key.Create(kKeyPath, HKEY_CURRENT_USER)) return false;
    const bool idWritten = key.SetString(kUserId, id);
    return key.SetDword(kKeepIdPassword, keep ? 1 : 0) && idWritten;
}

}  // namespace LoginSettings
