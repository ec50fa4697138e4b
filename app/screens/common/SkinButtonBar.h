// A bar of skin buttons, each at Tevrik/<section>/ButtonBar/<name>, on the bar's "_BackColor";
// the buttons follow the bar's visibility. A subclass places its buttons when it is built and
// answers their clicks in OnNotify.
#pragma once

#include <vector>

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/ui/view/QeWindow.h"

class SkinButtonBar : public QeWindow {
public:
    // Each placed button added as a child and loaded from the skin. True.
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

protected:
    // `skin` is the subclass's own record, kept for the class.
    SkinButtonBar(const wchar_t* section, ClassSkin& skin) : m_section(section), m_skin(skin) {}
    void Place(QeButton& button, const wchar_t* name) { m_buttons.push_back({&button, name}); }

private:
    struct Placed {
        QeButton* button;
        const wchar_t* name;
    };
    const wchar_t* m_section;
    ClassSkin& m_skin;
    std::vector<Placed> m_buttons;
};
