// What the message box and the notice share: a popup that a tap outside leaves open, with an icon,
// a text that is the holder's content view, a check box with its caption and an OK button, each
// loaded from and placed at its element of the box's section. The text is the shorter
// "TextWithCheckBox" while the check box shows. A box adds its own parts after these.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QePopup.h"

class SkinBox : public QePopup {
public:
    ~SkinBox() override;

    void OnRectChanged(const RECT& rect) override;

    QeImageView& Icon() { return m_icon; }
    QeEdit& Text() { return m_text; }
    QeCheckBox& CheckBox() { return m_checkBox; }
    QeLabel& CheckBoxText() { return m_checkBoxText; }
    QeButton& OkButton() { return m_okButton; }

protected:
    // The section's frames and the shared parts; skin is the box class's record.
    SkinBox(const wchar_t* section, ClassSkin& skin);

    // One of the box's own parts, added after the shared ones and loaded from its element.
    template <class Widget>
    void AddPart(Widget& widget, const wchar_t* name) {
        AddChild(&widget);
        ScreenSkin::Load(widget, {m_section, name});
    }
    const RECT& PartRect(const wchar_t* name) { return m_skin.Rect({m_section, name}); }

    // Pops up at the section's size with the icon, the text and, when asked, the check box shown.
    // 0 when the popup refused.
    int Open(bool withCheckBox, Callback callback, void* context);

    // OK for both keys: it is the box's only way out.
    QeWindow* DefaultButton() override { return &m_okButton; }
    QeWindow* CancelButton() override { return &m_okButton; }

private:
    const wchar_t* m_section;
    ClassSkin& m_skin;
    QeImageView m_icon;
    QeEdit m_text;
    QeCheckBox m_checkBox;
    QeLabel m_checkBoxText;
    QeButton m_okButton;
};
