// The two help lines above an option's choices or the nickname field. Every help view takes its
// lines and colour from "Option/TitleBar"; only its own rectangle comes from its page.
#pragma once

#include "app/screens/common/HelpLinesView.h"

class OptionHelpView : public HelpLinesView {
public:
    OptionHelpView() : HelpLinesView(s_skin, L"Option") {}

private:
    static ClassSkin s_skin;
};
