// The add button under the group name; the status bar's GroupAddButton runs the same AddGroup.
#pragma once

#include "app/ScreenSkin.h"
#include "app/screens/buddies/GroupAddNameView.h"
#include "framework/controls/QeButton.h"
#include "framework/ui/view/QeWindow.h"

class GroupAddButtonBar : public QeWindow {
public:
    explicit GroupAddButtonBar(GroupAddNameView& nameView) : m_nameView(nameView) {}

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    // An empty name is refused with an alert; any other goes out as typed (ADDG) and the page
    // goes back. The field keeps its text.
    void AddGroup();

    QeButton& AddButton() { return m_addButton; }

private:
    GroupAddNameView& m_nameView;
    QeButton m_addButton;
    static ClassSkin s_skin;
};
