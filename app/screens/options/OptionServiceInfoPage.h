// The service information page, entered from the option list's last row.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/options/OptionServiceInfoView.h"

class OptionServiceInfoPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"OptionServiceInfo";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    OptionServiceInfoView& View() { return m_view; }

private:
    OptionServiceInfoView m_view;
    static ClassSkin s_skin;
};
