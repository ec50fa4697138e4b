#include "app/AppScreens.h"

#include "app/MessengerApp.h"
#include "framework/ui/shell/QeMessageDispatcher.h"

void AppScreens::RunLater(std::function<void()> task) { QeRunLater(std::move(task)); }

void AppScreens::SetSignedIn(bool signedIn) { m_app.SetSignedIn(signedIn); }

void AppScreens::PlayNotification(int event) { m_app.PlayNotification(event); }

void AppScreens::UpdateNotifyIndicators() { m_app.UpdateNotifyIndicators(); }

void AppScreens::OnResetBegin() { m_app.OnResetBegin(); }

void AppScreens::OnResetToLogin() { m_app.OnResetToLogin(); }

void AppScreens::LoginShowPage(int page) { m_app.Login().ShowPage(page); }

void AppScreens::ShowSignedIn() { m_app.ShowSignedIn(); }
