#include "app/screens/chats/ChatInputBar.h"

#include <initializer_list>

#include "framework/ui/drawing/QeDC.h"

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MenuEmoticon.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/EmoticonCatalog.h"
#include "platform/windows/input.h"

namespace {

constexpr const wchar_t* kSection = L"Chat";
constexpr const wchar_t* kPart = L"InputBar";

ClassSkin s_skin;

// The chat whose emoticon menu is open. The menu is modal and answers later, maybe after its chat
// was closed or the user logged out: the chat counts only while no chat has left the list since.
struct OpenMenu {
    ChatSession* chat = nullptr;
    uint32_t generation = 0;
};
OpenMenu s_menu;

void OnEmoticonMenuClosed(void*, QePopup* popup, int result) {
    const OpenMenu menu = s_menu;
    s_menu = OpenMenu();
    const ChatSessionManager* chats = ChatSessionManager::Instance();
    if (chats == nullptr || menu.chat == nullptr || chats->Generation() != menu.generation ||
        chats->IndexOfChat(menu.chat) < 0) {
        return;
    }
    if (ChatPage* page = ChatPageOf(menu.chat)) {
        page->InputBar().OnEmoticonChosen(result, static_cast<MenuEmoticon*>(popup)->Selection());
    }
}

}  // namespace

ChatInputBar::ChatInputBar() = default;

RECT ChatInputBar::SkinRect(const wchar_t* part) { return s_skin.Rect({kSection, kPart, part}); }

bool ChatInputBar::Create(ChatPage* page) {
    m_page = page;
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_background, &m_input, &m_disabledReason,
                                                            &m_emoticonButton}) {
        AddChild(child);
    }
    s_skin.Load(m_background, {kSection, kPart, L"BackgroundSkin"});
    s_skin.Load(m_input, {kSection, kPart, L"Input"});
    m_input.SetInputMode(QeEdit::kNativeInput);
    s_skin.Load(m_disabledReason, {kSection, kPart, L"DisabledReason"});
    s_skin.Load(m_emoticonButton, {kSection, kPart, L"EmoticonButton"});
    m_backColor = s_skin.BackColor({kSection, kPart});
    OnRectChanged(Rect());
    return true;
}

void ChatInputBar::Enable() {
    if (m_input.IsVisible()) return;
    m_input.SetVisible(true);
    m_disabledReason.SetVisible(false);
    // Typing goes on where it stopped, but only on the page in front.
    if (m_page != nullptr && m_page->IsCurrentPage()) m_input.SetFocus(true);
    Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatInputBar::Disable(const std::wstring& reason) {
    if (!m_input.IsVisible()) return;
    // A hidden edit that kept the focus would still take keys, and Enter would send them.
    if (m_input.HasFocus()) m_input.SetFocus(false);
    m_input.SetVisible(false);
    m_disabledReason.Text().SetText(reason);
    m_disabledReason.SetVisible(true);
    Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatInputBar::SendText(const std::wstring& text) {
    ChatSession* session = m_page != nullptr ? m_page->Session() : nullptr;
    if (session != nullptr) ChatSendText(*session, text);
}

void ChatInputBar::SendTypingStarted() {
    ChatSession* session = m_page != nullptr ? m_page->Session() : nullptr;
    if (session != nullptr) ChatSendTypingStarted(*session);
}

void ChatInputBar::SendTypingStopped() {
    ChatSession* session = m_page != nullptr ? m_page->Session() : nullptr;
    if (session != nullptr) ChatSendTypingStopped(*session);
}

void ChatInputBar::OnKey(wchar_t character) {
    if (static_cast<UINT>(character) == VK_RETURN) {
        const std::wstring text = m_input.GetText();
        m_input.SetText(std::wstring());
        SendText(text);
        return;
    }
    const uint32_t length = m_input.GlyphCount();
    if (length == 0) {
        SendTypingStopped();
    } else if (length == 1) {
        SendTypingStarted();
    }
}

void ChatInputBar::OnEmoticonChosen(int result, int index) {
    // The chat may have become one the user cannot write in while the menu was open.
    if (!IsEnabled()) return;
    if (result == 1 && index >= 0) {
        const EmoticonCatalog* emoticons = EmoticonCatalog::Instance();
        const EmoticonImage emoticon =
            emoticons != nullptr ? emoticons->EmoticonByIndex(static_cast<size_t>(index)) : EmoticonImage();
        if (!emoticon.IsEmpty()) m_input.InsertImage(emoticon);
    }
    m_input.SetFocus(true);
    OpenInputPanel();
}

void ChatInputBar::OpenInputPanel() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(m_input.InputMode());
}

void ChatInputBar::PopupEmoticonMenu() {
    const ChatSessionManager* chats = ChatSessionManager::Instance();
    if (chats == nullptr || m_page == nullptr || m_page->Session() == nullptr) return;
    m_input.CollapseSelection();
    s_menu = OpenMenu{m_page->Session(), chats->Generation()};
    MenuPopup::Popup(new MenuEmoticon, &OnEmoticonMenuClosed, nullptr);
}

void ChatInputBar::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_input.SetVisible(visible);
    m_emoticonButton.SetVisible(visible);
    m_disabledReason.SetVisible(false);
    if (visible) m_input.SetFocus(true);
}

int ChatInputBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_backColor, rect);
    return 1;
}

void ChatInputBar::OnRectChanged(const RECT&) {
    m_background.SetRect(SkinRect(L"BackgroundSkin"));
    m_input.SetRect(SkinRect(L"Input"));
    m_disabledReason.SetRect(SkinRect(L"DisabledReason"));
    m_emoticonButton.SetRect(SkinRect(L"EmoticonButton"));
}

int ChatInputBar::OnNotify(QeWindow* child, int code) {
    const QeEventArgs args = QeLastEventArgs();
    if (child == &m_input) {
        if (code == kNotifyPenDown) {
            OpenInputPanel();
        } else if (code == kNotifyKeyDown && args.first == QeEdit::kDeleteKey) {
            if (m_input.IsEmpty()) SendTypingStopped();
        } else if (code == kNotifyImeComposition || code == kNotifyChar) {
            OnKey(static_cast<wchar_t>(args.first));
        }
    } else if (child == &m_emoticonButton && code == kNotifyClick && IsEnabled()) {
        PopupEmoticonMenu();
    }
    return 1;
}

int ChatInputBar::OnSipShown(const RECT& panel) {
    const RECT status = s_skin.Rect({L"StatusBar"});
    RECT rect = Rect();
    const int height = rect.bottom - rect.top;
    rect.bottom = panel.top - (status.bottom - status.top) - 52;
    rect.top = rect.bottom - height;
    SetRect(rect);
    Invalidate(RECT{0, 0, 0, 0}, true);
    return 1;
}

int ChatInputBar::OnSipHidden() {
    SetRect(s_skin.Rect({kSection, kPart}));
    Invalidate(RECT{0, 0, 0, 0}, true);
    return 1;
}
