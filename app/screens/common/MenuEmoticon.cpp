#include "app/screens/common/MenuEmoticon.h"

#include "framework/base/QeMarkup.h"
#include "framework/base/QeTimerManager.h"
#include "framework/ui/drawing/QeImage.h"

ClassSkin MenuEmoticon::s_skin;

MenuEmoticon::MenuEmoticon() {
    LoadRows(s_skin, kSection, {}, true);
    const QeMarkupElement* list = ScreenSkin::Find({L"_EmoticonList", L"RGBA"});
    if (list == nullptr) return;
    bool animated = false;
    for (const auto& child : list->Children()) {
        Icon icon{std::make_unique<QeSkinImage>()};
        icon.image->Load(*child);
        animated = animated || Animated(icon) != nullptr;
        const QeMarkupElement* text = child->FindChild(L"Text");
        AddRow(text != nullptr ? text->Text() : std::wstring());
        m_icons.push_back(std::move(icon));
    }
    // The menu lives while it is open.
    QeTimerManager* timers = QeTimerManager::Instance();
    if (animated && timers != nullptr) m_timer = timers->Add(0, kTickInterval, &OnTick, this);
}

MenuEmoticon::~MenuEmoticon() {
    QeTimerManager* timers = QeTimerManager::Instance();
    if (m_timer != 0 && timers != nullptr) timers->Remove(m_timer);
}

QeImage* MenuEmoticon::Animated(const Icon& icon) {
    QeImage* image = icon.image->Image();
    return image != nullptr && image->FrameCount() >= 2 ? image : nullptr;
}

int MenuEmoticon::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    Icon* icon = index >= 0 && static_cast<size_t>(index) < m_icons.size() ? &m_icons[index] : nullptr;
    if (icon != nullptr) {
        if (const QeImage* image = Animated(*icon)) icon->drawnFrame = image->CurrentFrame();
    }
    return DrawRow(surface, index, clip, inRow, icon != nullptr ? icon->image.get() : nullptr, true);
}

int MenuEmoticon::Selection() {
    const int32_t row = ChosenRow();
    return row >= 0 && static_cast<size_t>(row) < m_icons.size() ? row : kNoChoice;
}

void MenuEmoticon::OnTick(void* user) { static_cast<MenuEmoticon*>(user)->Animate(); }

void MenuEmoticon::Animate() {
    uint32_t next = 0;  // ms until the first change to come; 0 for none
    for (size_t row = 0; row < m_icons.size(); ++row) {
        const QeImage* image = Animated(m_icons[row]);
        if (image == nullptr) continue;
        // A row out of the list's view is not invalidated, and keeps its old frame until drawn.
        if (image->CurrentFrame() != m_icons[row].drawnFrame) List().InvalidateItem(static_cast<int32_t>(row));
        const uint32_t after = image->FrameChangesAfter();
        if (after != 0 && (next == 0 || after < next)) next = after;
    }
    QeTimerManager* timers = QeTimerManager::Instance();
    if (timers == nullptr) return;
    if (next == 0) {
        // Every animation has come to its end.
        timers->Remove(m_timer);
        m_timer = 0;
        return;
    }
    // This tick's moment is now: the first tick at or after the change is that many intervals on.
    const uint32_t interval = static_cast<uint32_t>(kTickInterval * 1000.0f + 0.5f);
    timers->Defer(m_timer, (next + interval - 1) / interval - 1);
}
