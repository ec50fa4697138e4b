#include "app/screens/common/PopupParts.h"

#include "app/MessengerApp.h"
#include "framework/ui/view/QePopupHolder.h"

namespace PopupParts {

void LoadFrames(QePopup& popup, const wchar_t* section) {
    ScreenSkin::Load(popup.TopFrame(), {section, L"TSkin"});
    ScreenSkin::Load(popup.MiddleFrame(), {section, L"MSkin"});
    ScreenSkin::Load(popup.BottomFrame(), {section, L"BSkin"});
}

SIZE SectionSize(ClassSkin& skin, const wchar_t* section) {
    const RECT& rect = skin.Rect({section});
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void RegisterContent(QeWindow* view) {
    if (QePopupHolder* holder = QePopupHolder::Instance()) holder->cover = view;
}

void ReleaseContent(QeWindow* view) {
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->cover == view) holder->cover = nullptr;
}

void HideSip() {
    if (auto* app = dynamic_cast<MessengerApp*>(QeApplicationBase::Instance())) app->MenuBarWindow().HideSip();
}

}  // namespace PopupParts
