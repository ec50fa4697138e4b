#include "framework/ui/QeTransitionManager.h"

#include <algorithm>

void QeTransitionManager::Add(std::unique_ptr<QeTransition> transition) {
    if (transition) m_running.push_back(std::move(transition));
}

void QeTransitionManager::Remove(QeTransition* transition) {
    std::erase_if(m_running, [transition](const std::unique_ptr<QeTransition>& t) { return t.get() == transition; });
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
