// What the program's boxes and menus share around QePopup: the frame images of their section, the
// holder's content slot, and the input panel hidden before they pop up.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/ui/view/QePopup.h"

namespace PopupParts {

// "TSkin", "MSkin" and "BSkin" of the section into the popup's three frames.
void LoadFrames(QePopup& popup, const wchar_t* section);
// The size of the section's "_Rect".
SIZE SectionSize(ClassSkin& skin, const wchar_t* section);
// The view becomes the holder's content (cover) view.
void RegisterContent(QeWindow* view);
// Clears the holder's content view while it is still this one: a box replaced by a newer one must
// not clear its successor's.
void ReleaseContent(QeWindow* view);
// The menu bar's HideSip, when the application is running.
void HideSip();

}  // namespace PopupParts
