// The user's five settings, kept in the registry as DWORD values under the program's key.
#pragma once

#include <cstdint>
#include <string>

#include "framework/base/QeSingleton.h"

class Options : public QeSingleton<Options> {
public:
    // Number of values of each table (NotifyScopes is a bit set of three bits).
    static constexpr uint32_t kChatTypeCount = 2;
    static constexpr uint32_t kViewTypeCount = 4;
    static constexpr uint32_t kSortTypeCount = 2;
    static constexpr uint32_t kNotifyTypeCount = 4;
    static constexpr uint32_t kNotifyScopesMask = 7;

    // Notification scopes.
    static constexpr uint32_t kNotifySignIn = 1;
    static constexpr uint32_t kNotifyChat = 2;
    static constexpr uint32_t kNotifyMemo = 4;

    // The defaults, then whatever the registry holds.
    Options();
    // Saves once more, so nothing changed since the last save is lost at exit.
    ~Options() override;

    // Reads the five values; a missing value, and one outside its table, keeps the default.
    // Returns 1.
    int LoadOptions();
    // Writes the five values. The option screens call it after every change. Returns 1 when the
    // key was opened or created and every value written, else 0.
    int SaveOptions();

    // Labels shown by the option screens; the empty text for values outside the table.
    static std::wstring ChatTypeLabel(uint32_t value);
    static std::wstring ViewTypeLabel(uint32_t value);
    static std::wstring SortTypeLabel(uint32_t value);
    static std::wstring NotifyTypeLabel(uint32_t value);
    static std::wstring NotifyScopesLabel(uint32_t value);

    uint32_t ChatType = 0;      // tapping a buddy: 0 opens a chat, 1 writes a memo
    uint32_t ViewType = 3;      // buddy rows: 0 name, 1 nickname, 2 name+id, 3 name+nickname
    uint32_t SortType = 0;      // 0 every buddy, 1 online buddies only
    uint32_t NotifyType = 3;    // 0 none, 1 sound, 2 vibration, 3 both
    uint32_t NotifyScopes = 7;  // kNotifySignIn | kNotifyChat | kNotifyMemo
};
