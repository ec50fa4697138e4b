#include "app/AppScreens.h"

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "framework/ui/shell/QeMessageDispatcher.h"

void AppScreens::RunLater(std::function<void()> task) { QeRunLater(std::move(task)); }

void AppScreens::SetSignedIn(bool signedIn) { m_app.SetSignedIn(signedIn); }

void AppScreens::PlayNotification(int event) { m_app.PlayNotification(event); }

void AppScreens::UpdateNotifyIndicators() { m_app.UpdateNotifyIndicators(); }

std::unique_ptr<ChatWindow> AppScreens::CreateChatWindow(ChatSession* session) {
    auto page = std::make_unique<ChatPage>();
    page->Create();
    page->SetRect(ScreenSkin::Rect({ChatPage::kSection}));
    page->SetSession(session);
    // Hidden until navigation shows it.
    m_app.Root().AddChild(page.get());
    return page;
}
