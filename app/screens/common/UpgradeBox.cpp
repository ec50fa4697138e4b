#include "app/screens/common/UpgradeBox.h"

#include <cmath>
#include <cstdio>

#include "app/screens/common/PopupParts.h"
#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDrawMath.h"

ClassSkin UpgradeBox::s_skin;

namespace {

RECT g_imageCoord{};  // "ImageCoord" of "ProgressBar", read with the class's record
uint64_t g_serials = 0;

}  // namespace

UpgradeBox::UpgradeBox() : m_serial(++g_serials) {
    closeOnOutside = 0;
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_icon, &m_line, &m_text, &m_progressBarSkin,
                                                            &m_progressBar, &m_percentText}) {
        AddChild(child);
    }
    PopupParts::LoadFrames(*this, kSection);
    const bool stale = s_skin.Stale();
    s_skin.Load(m_icon, {kSection, L"Icon"});
    s_skin.Load(m_line, {kSection, L"Line"});
    s_skin.Load(m_text, {kSection, L"Text"});
    s_skin.Load(m_progressBarSkin, {kSection, L"ProgressBarSkin"});
    s_skin.Load(m_progressBar, {kSection, L"ProgressBar"});
    s_skin.Load(m_percentText, {kSection, L"PercentText"});
    if (stale) {
        const QeMarkupElement* coord = ScreenSkin::Find({kSection, L"ProgressBar", L"ImageCoord"});
        g_imageCoord = coord != nullptr ? ParseRect(coord) : RECT{};
    }
    s_skin.MarkRead();
    PopupParts::RegisterContent(&m_text);
}

UpgradeBox::~UpgradeBox() { PopupParts::ReleaseContent(&m_text); }

bool UpgradeBox::Show() {
    auto* box = new UpgradeBox;
    PopupParts::HideSip();
    for (QeWindow* child = box->FirstChild(); child != nullptr; child = child->Next()) child->SetVisible(true);
    if (box->Popup(PopupParts::SectionSize(s_skin, kSection), nullptr, nullptr) == 0) {
        delete box;
        return false;
    }
    box->progress = 0.0f;
    box->SetProgress();
    return true;
}

void UpgradeBox::SetProgress() {
    // Clamped before any conversion: a float outside int's range, or NaN, has no integer value.
    const float fraction = std::isfinite(progress) ? ClampFloat(progress, 0.0f, 1.0f) : 0.0f;
    const int percent = static_cast<int>(fraction * 100.0f);
    const RECT& bar = s_skin.Rect({kSection, L"ProgressBar"});
    const RECT shown{bar.left, bar.top, bar.left + static_cast<LONG>((bar.right - bar.left) * fraction), bar.bottom};
    const RECT source{g_imageCoord.left, g_imageCoord.top,
                      g_imageCoord.left + static_cast<LONG>((g_imageCoord.right - g_imageCoord.left) * fraction),
                      g_imageCoord.bottom};
    if (percent != m_shownPercent) {
        wchar_t text[16];
        std::swprintf(text, 16, L"%d%%", percent);
        m_percentText.Text().SetText(text);
        m_percentText.Invalidate(RECT{0, 0, 0, 0}, true);
        m_shownPercent = percent;
    }
    if (shown.right != m_progressBar.Rect().right || source.right != m_progressBar.Image().Descriptor().source.right) {
        // The old extent goes too: a bar that shrinks leaves nothing behind.
        m_progressBarSkin.Invalidate(RECT{0, 0, 0, 0}, true);
        m_progressBar.SetRect(shown);
        m_progressBar.Image().SetSourceRect(source);
        m_progressBar.Invalidate(RECT{0, 0, 0, 0}, true);
    }
}

void UpgradeBox::OnRectChanged(const RECT& rect) {
    QePopup::OnRectChanged(rect);
    m_icon.SetRect(s_skin.Rect({kSection, L"Icon"}));
    m_line.SetRect(s_skin.Rect({kSection, L"Line"}));
    m_text.SetRect(s_skin.Rect({kSection, L"Text"}));
    m_progressBarSkin.SetRect(s_skin.Rect({kSection, L"ProgressBarSkin"}));
    m_percentText.SetRect(s_skin.Rect({kSection, L"PercentText"}));
    // The bar keeps the width its progress gave it.
    const RECT& bar = s_skin.Rect({kSection, L"ProgressBar"});
    m_progressBar.SetRect(RECT{bar.left, bar.top, bar.left + m_progressBar.Width(), bar.bottom});
}
