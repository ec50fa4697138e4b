#include "app/AppScreens.h"

#include "app/MessengerApp.h"
#include "framework/ui/shell/QeMessageDispatcher.h"

void AppScreens::RunLater(std::function<void()> task) { QeRunLater(std::move(task)); }

void AppScreens::SetSignedIn(bool signedIn) { m_app.SetSignedIn(signedIn); }

void AppScreens::PlayNotification(int event) { m_app.PlayNotification(event); }

void AppScreens::UpdateNotifyIndicators() { m_app.UpdateNotifyIndicators(); }

void AppScreens::StatusBarCardRefresh() { m_app.StatusBarWindow().BuddyCard().Refresh(); }

void AppScreens::PageIndicatorRebuild() { m_app.StatusBarWindow().PageStrip().Indicator().Rebuild(); }
