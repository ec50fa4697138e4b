// The nickname page: the field starts with the own nickname, filled in whole even beyond the typing
// limit, and leaving the page for another sends the text when it differs from what the field held
// once filled in (only what the user typed). A log-out or a lost connection hides it without
// leaving, so nothing is sent then.
#pragma once

#include <string>

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/options/OptionHelpView.h"
#include "app/screens/options/OptionNickView.h"

class OptionNickPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"OptionNick";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    void OnLeave(const QeTransitionParams& params) override;

    OptionNickView& View() { return m_view; }

private:
    OptionHelpView m_help;
    OptionNickView m_view;
    std::wstring m_filled;  // the field's text once filled in when the page was shown
    static ClassSkin s_skin;
};
