#include "framework/ui/motion/QeTransitionManager.h"

#include <algorithm>

bool QeTransitionManager::Start(const QeTransitionParams& params) {
    m_running.push_back(std::make_unique<QeTransition>(params));
    QeTransition* transition = m_running.back().get();
    const bool started = transition->Start();
    if (started && transition->IsRunning()) return true;
    Finish(transition);
    return started;
}

void QeTransitionManager::Add(std::unique_ptr<QeTransition> transition) {
    if (transition) m_running.push_back(std::move(transition));
}

std::unique_ptr<QeTransition> QeTransitionManager::Take(QeTransition* transition) {
    auto found = std::find_if(m_running.begin(), m_running.end(),
                              [transition](const std::unique_ptr<QeTransition>& t) { return t.get() == transition; });
    if (found == m_running.end()) return nullptr;
    std::unique_ptr<QeTransition> taken = std::move(*found);
    m_running.erase(found);
    return taken;
}

void QeTransitionManager::Finish(QeTransition* transition) {
    // Out of the set before the windows hear of it: they may start, clear or end transitions.
    if (std::unique_ptr<QeTransition> taken = Take(transition)) taken->Finish();
}

void QeTransitionManager::FinishAll() {
    // Taken one at a time from the front: a window told of one end may end, clear or start others,
    // and only what is still in the set is known to be alive.
    for (size_t held = m_running.size(); held > 0 && !m_running.empty(); --held) {
        std::unique_ptr<QeTransition> taken = std::move(m_running.front());
        m_running.erase(m_running.begin());
        taken->Finish();
    }
}

void QeTransitionManager::Remove(QeTransition* transition) { Take(transition).reset(); }

void QeTransitionManager::Clear() {
    std::vector<std::unique_ptr<QeTransition>> running;
    running.swap(m_running);
}

bool QeTransitionManager::IsAnyRunning() const {
    return std::any_of(m_running.begin(), m_running.end(), [](const auto& t) { return t->IsRunning(); });
}

bool QeTransitionManager::RenderAll(QeDC& dc) {
    return std::all_of(m_running.begin(), m_running.end(), [&dc](const auto& t) { return t->Render(dc); });
}

std::vector<RECT> QeTransitionManager::Areas() const {
    std::vector<RECT> areas;
    areas.reserve(m_running.size());
    for (const auto& t : m_running) areas.push_back(t->Area());
    return areas;
}

void QeTransitionManager::Forget(const QeWindow* window) {
    if (window == nullptr) return;
    // One at a time, looking afresh each time: a finish tells the other window, which may start,
    // end or clear transitions.
    for (;;) {
        auto found = std::find_if(m_running.begin(), m_running.end(),
                                  [window](const std::unique_ptr<QeTransition>& t) { return t->Names(window); });
        if (found == m_running.end()) return;
        std::unique_ptr<QeTransition> taken = Take(found->get());
        taken->Forget(window);
        taken->Finish();
    }
}

QeSurface* QeTransitionManager::CaptureOf(const QeWindow* window) const {
    for (const auto& t : m_running) {
        if (QeSurface* surface = t->CaptureOf(window)) return surface;
    }
    return nullptr;
}
