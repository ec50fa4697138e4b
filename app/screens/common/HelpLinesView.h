// The two help lines above a form or a list of choices ("<section>/TitleBar/HelpText1" and
// "HelpText2", on the title bar's back colour). Each page kind derives its own view so that its
// rectangles stay in a record of its own class.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class HelpLinesView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    void SetHelp1(const std::wstring& text);
    void SetHelp2(const std::wstring& text);
    QeLabel& HelpText1() { return m_help1; }
    QeLabel& HelpText2() { return m_help2; }

protected:
    HelpLinesView(ClassSkin& skin, const wchar_t* section) : m_skin(skin), m_section(section) {}

private:
    ClassSkin& m_skin;
    const wchar_t* m_section;
    QeLabel m_help1;
    QeLabel m_help2;
};
