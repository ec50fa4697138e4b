// The nickname field on its background.
#pragma once

#include "app/screens/common/EditFieldView.h"

class OptionNickView : public EditFieldView {
public:
    OptionNickView() : EditFieldView(L"OptionNick", L"Nick") {}
    QeEdit& Nick() { return Field(); }
};
