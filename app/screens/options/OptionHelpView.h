// The two help lines above an option's choices or the nickname field. Every help view takes its
// lines and colour from "Option/TitleBar"; only its own rectangle comes from its page.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class OptionHelpView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    void SetHelp1(const std::wstring& text);
    void SetHelp2(const std::wstring& text);
    QeLabel& HelpText1() { return m_help1; }
    QeLabel& HelpText2() { return m_help2; }

private:
    QeLabel m_help1;
    QeLabel m_help2;
    static ClassSkin s_skin;
};
