// One edit field on its background (Tevrik/<section>/View: "BackgroundSkin" and the field's
// element, "_BackColor"): shown, the field takes the focus and the input panel opens for native
// input; a pen down on the field opens it again. The group add and nickname pages each show one.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class EditFieldView : public QeWindow {
public:
    EditFieldView(const wchar_t* section, const wchar_t* field) : m_section(section), m_fieldName(field) {}

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

protected:
    QeEdit& Field() { return m_field; }

private:
    const wchar_t* m_section;
    const wchar_t* m_fieldName;
    QeImageView m_background;
    QeEdit m_field;
    ClassSkin m_skin;  // one record each: the two views read different sections
};

// Puts a text the program holds (a nickname, a memo to forward) into a field whole: the field's
// typing limit is lifted for the fill and then restored, so it still holds for what is typed.
void FillWhole(QeEdit& field, const std::wstring& text);
