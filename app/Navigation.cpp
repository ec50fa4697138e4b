// Switching pages: with no transition and no history (tabs, sign-in, log-out), with an animated
// transition and a history entry, and going back by replaying an entry.
#include <iterator>

#include "app/MessengerApp.h"
#include "framework/ui/motion/QeTransitionManager.h"

namespace {

// The slide of each kind of SwitchView: effect and direction, with a cubic ease-out.
struct SwitchSlide {
    uint32_t effect;
    uint32_t direction;
};
constexpr SwitchSlide kSlides[] = {
    {kTransitionCover, kTransitionDownwards},
    {kTransitionCover, kTransitionUpwards},
    {kTransitionPush, kTransitionRightwards},
    {kTransitionPush, kTransitionLeftwards},
};
constexpr uint32_t kEaseOutCubic = 7;
constexpr uint32_t kEaseInCubic = 6;
constexpr float kSwitchSeconds = 0.5f;

}  // namespace

void MessengerApp::FinishRunningSwitches() {
    QeTransitionManager* transitions = QeTransitionManager::Instance();
    if (transitions != nullptr && transitions->Count() != 0) transitions->FinishAll();
}

void MessengerApp::DropFocusIn(const QeWindow* window) {
    QeWindow* focus = QeGetFocusWindow();
    for (const QeWindow* w = focus; w != nullptr; w = w->Parent()) {
        if (w != window) continue;
        // Through the view itself, so that an emptied edit shows its hint again.
        focus->SetFocus(false);
        return;
    }
}

void MessengerApp::Reshow(QeWindow* page) {
    page->SetVisible(false);
    page->SetVisible(true);
    page->Invalidate(RECT{0, 0, 0, 0}, true);
}

void MessengerApp::SetCurrentView(ScreenBase* page) {
    if (page == m_currentPage) return;
    FinishRunningSwitches();
    if (m_currentPage != nullptr) {
        DropFocusIn(m_currentPage);
        m_currentPage->SetVisible(false);
    }
    m_currentPage = page;
    if (page != nullptr) page->SetVisible(true);
    Root().Invalidate(RECT{0, 0, 0, 0}, true);
}

void MessengerApp::SwitchView(ScreenBase* page, int kind, bool replaceTop) {
    if (page == nullptr) return;
    FinishRunningSwitches();
    if (m_currentPage == nullptr) {
        // Nothing to slide from and nothing to come back to.
        SetCurrentView(page);
        return;
    }
    if (page == m_currentPage) {
        Reshow(page);
        return;
    }
    QeTransitionParams params;
    params.source = m_currentPage;
    params.target = page;
    if (kind >= 0 && kind < static_cast<int>(std::size(kSlides))) {
        params.effect = kSlides[kind].effect;
        params.direction = kSlides[kind].direction;
        params.animation = QeAnimationParams(kSwitchSeconds, kEaseOutCubic);
    }
    QeTransitionParams top;
    if (replaceTop && m_statusBar.PopState(top)) {
        // The page replaced leaves no entry: the way back leads from the new page to where the
        // first one was entered from.
        top.source = page;
        m_statusBar.PushHistory(top);
    } else {
        m_statusBar.PushHistory(params.Reverse());
    }
    if (replaceTop) params.animation = QeAnimationParams(kSwitchSeconds, kEaseInCubic);
    ShowViewWithTransition(params);
}

void MessengerApp::ShowViewWithTransition(const QeTransitionParams& params) {
    FinishRunningSwitches();
    auto* target = dynamic_cast<ScreenBase*>(params.target);
    if (target == nullptr) return;
    if (target == m_currentPage) {
        Reshow(target);
        return;
    }
    if (m_currentPage == nullptr || params.source == nullptr) {
        SetCurrentView(target);
        return;
    }
    DropFocusIn(m_currentPage);
    m_currentPage->OnLeave(params);
    m_currentPage = target;
    if (QeTransitionManager* transitions = QeTransitionManager::Instance()) {
        transitions->Start(params);
    } else {
        params.source->SetVisible(false);
        target->SetVisible(true);
    }
}
