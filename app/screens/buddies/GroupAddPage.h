// The group add form: two help lines, the name field and the add button, under the status bar's
// title strip with its own add button (mode 3).
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/GroupAddButtonBar.h"
#include "app/screens/buddies/GroupAddHelpView.h"
#include "app/screens/buddies/GroupAddNameView.h"

class GroupAddPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"GroupAdd";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    // The status bar's GroupAddButton.
    void AddGroup() { m_buttonBar.AddGroup(); }

    GroupAddNameView& NameView() { return m_nameView; }
    GroupAddButtonBar& ButtonBar() { return m_buttonBar; }

private:
    GroupAddHelpView m_helpView;
    GroupAddNameView m_nameView;
    GroupAddButtonBar m_buttonBar{m_nameView};
    static ClassSkin s_skin;
};
