// One setting's page: the help lines and the choices, titled by the setting loaded into the
// table.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/options/OptionChoiceTable.h"
#include "app/screens/options/OptionHelpView.h"

class OptionPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"Option";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    OptionHelpView& Help() { return m_help; }
    OptionChoiceTable& Table() { return m_table; }

private:
    OptionHelpView m_help;
    OptionChoiceTable m_table;
    static ClassSkin s_skin;
};
