#include "app/screens/common/PageIndicator.h"

#include "app/ScreenSkin.h"
#include "framework/controls/QeBoxLayout.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

constexpr RECT kSlotRect{0, 0, PageIndicator::kSlot, PageIndicator::kSlot};

}  // namespace

void PageIndicator::Rebuild() {
    for (std::unique_ptr<QeCheckBox>& dot : m_dots) RemoveChild(dot.get());
    m_dots.clear();
    RemoveChild(&m_prev);
    RemoveChild(&m_next);

    const QeMarkupElement* element = ScreenSkin::Find({L"StatusBar", L"ChatPage", kElement});
    AddChild(&m_prev);
    AddChild(&m_next);
    const QeMarkupElement* prev = element != nullptr ? element->FindChild(L"Prev") : nullptr;
    const QeMarkupElement* next = element != nullptr ? element->FindChild(L"Next") : nullptr;
    if (prev != nullptr) m_prev.Load(*prev);
    if (next != nullptr) m_next.Load(*next);
    m_prev.SetVisible(true);
    m_next.SetVisible(true);

    const QeMarkupElement* page = element != nullptr ? element->FindChild(L"Page") : nullptr;
    const ChatSessionManager* chats = ChatSessionManager::Instance();
    const size_t count = chats != nullptr ? chats->Count() : 0;
    for (size_t i = 0; i < count; ++i) {
        auto dot = std::make_unique<QeCheckBox>();
        AddChild(dot.get());
        dot->SetReadOnly(true);
        if (page != nullptr) dot->Load(*page);
        m_dots.push_back(std::move(dot));
    }
    OnRectChanged(Rect());
    SetCurrent(m_current);
    Invalidate(RECT{0, 0, 0, 0}, true);
}

void PageIndicator::OnRectChanged(const RECT&) {
    const RECT area = GetClientRect();
    m_prev.SetRect(QeLayoutCenteredRowItem(area, kSlotRect, 0, kMarkSlots, kGap));
    m_next.SetRect(QeLayoutCenteredRowItem(area, kSlotRect, kMarkSlots - 1, kMarkSlots, kGap));
    const int count = static_cast<int>(m_dots.size());
    for (int i = 0; i < count; ++i) {
        const int group = i / kDotsPerGroup;
        const int inGroup = count - group * kDotsPerGroup < kDotsPerGroup ? count - group * kDotsPerGroup : kDotsPerGroup;
        m_dots[i]->SetRect(QeLayoutCenteredRowItem(area, kSlotRect, i % kDotsPerGroup, inGroup, kGap));
    }
}

void PageIndicator::SetCurrent(int index) {
    m_current = index;
    const int count = static_cast<int>(m_dots.size());
    const int group = index / kDotsPerGroup;
    const int last = (count - 1) / kDotsPerGroup;
    for (int i = 0; i < count; ++i) {
        m_dots[i]->SetVisible(i / kDotsPerGroup == group);
        m_dots[i]->SetChecked(i == index);
    }
    m_prev.SetVisible(group != 0);
    m_next.SetVisible(group < last);
}
