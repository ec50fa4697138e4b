// The group chooser, opened for a buddy by the buddy add form, the profile and the request info
// page; leaving it hands the chosen name back to its opener. It keeps the opener's status bar.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/GroupSelectTable.h"
#include "app/screens/buddies/GroupSelectTitleBar.h"

class Buddy;

class GroupSelectPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"GroupSelect";
    enum Mode : uint32_t { kModeBuddyAdd = 0, kModeProfile = 1, kModeRequest = 2, kModeNone = 3 };

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    void OnLeave(const QeTransitionParams& params) override;

    // Prepares the chooser for the opener; the buddy (may be null) gives only its login id: the
    // title's second line and, for a request, the requester the choice belongs to.
    void Open(uint32_t mode, const std::wstring& name, const Buddy* buddy, const std::wstring& groupName);

    uint32_t CurrentMode() const { return m_mode; }
    GroupSelectTitleBar& TitleBar() { return m_titleBar; }
    GroupSelectTable& Table() { return m_table; }

private:
    uint32_t m_mode = kModeNone;
    std::wstring m_buddyId;  // the login id of the buddy the chooser was opened for
    GroupSelectTitleBar m_titleBar;
    GroupSelectTable m_table;
    static ClassSkin s_skin;
};
