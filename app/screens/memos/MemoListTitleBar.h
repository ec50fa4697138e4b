// The memo list's title: the name of the box shown, the box chooser and the write button.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QeWindow.h"

class MemoListTable;

class MemoListTitleBar : public QeWindow {
public:
    // The create step: children added and loaded from MemoList/TitleBar; the table is what the
    // box chooser switches.
    bool Create(MemoListTable* table);

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    QeLabel& BoxText() { return m_boxText; }

private:
    static void OnBoxMenuClosed(void* context, QePopup* popup, int result);

    QeImageView m_background;
    QeLabel m_boxText;
    QeButton m_boxButton;
    QeButton m_writeButton;
    MemoListTable* m_table = nullptr;
    static ClassSkin s_skin;
};
