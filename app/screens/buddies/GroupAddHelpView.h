// The two help lines above the group name; their texts are the skin's own.
#pragma once

#include "app/screens/common/HelpLinesView.h"

class GroupAddHelpView : public HelpLinesView {
public:
    GroupAddHelpView() : HelpLinesView(s_skin, L"GroupAdd") {}

private:
    static ClassSkin s_skin;
};
