// The progress of a client-upgrade download: a percentage and a bar that fills from left to right
// by cutting its image, not stretching it. It offers no control; the next popup (the upgrade's
// closing message) replaces it.
#pragma once

#include <cstdint>

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QePopup.h"

class UpgradeBox : public QePopup {
public:
    static constexpr const wchar_t* kSection = L"UpgradeBox";

    UpgradeBox();
    ~UpgradeBox() override;

    // A new box popped up at 0 %; false when the popup refused (the box is gone).
    static bool Show();
    // Applies `progress` (0 nothing, 1 done; anything not finite counts as 0). Invalidates only
    // what changed: an update that moves neither the percent text nor the bar draws nothing.
    void SetProgress();

    void OnRectChanged(const RECT& rect) override;

    // Never the same for two boxes of a run: addresses come back, serials do not.
    uint64_t Serial() const { return m_serial; }

    float progress = 0.0f;

    QeLabel& PercentText() { return m_percentText; }
    QeImageView& ProgressBar() { return m_progressBar; }

private:
    QeImageView m_icon;
    QeImageView m_line;
    QeLabel m_text;
    QeImageView m_progressBarSkin;
    QeImageView m_progressBar;
    QeLabel m_percentText;
    int m_shownPercent = -1;
    uint64_t m_serial;
    static ClassSkin s_skin;
};
