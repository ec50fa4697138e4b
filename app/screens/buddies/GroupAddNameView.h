// The group name field on its background.
#pragma once

#include "app/screens/common/EditFieldView.h"

class GroupAddNameView : public EditFieldView {
public:
    GroupAddNameView() : EditFieldView(L"GroupAdd", L"GroupName") {}
    QeEdit& GroupName() { return Field(); }
};
