#include "framework/ui/shell/QeNotifyLed.h"

#include "framework/base/QeTimerManager.h"
#include "platform/system/device.h"

QeNotifyLed::QeNotifyLed() {
    NLED_COUNT_INFO count{};
    NLedGetDeviceInfo(NLED_COUNT_INFO_ID, &count);
    m_led = static_cast<int>(count.cLeds) - 1;
    TurnOff();
}

QeNotifyLed::~QeNotifyLed() { TurnOff(); }

void QeNotifyLed::SetLed(int offOnBlink) {
    if (m_led < 0) return;
    NLED_SETTINGS_INFO settings{};
    settings.LedNum = static_cast<UINT>(m_led);
    settings.OffOnBlink = offOnBlink;
    NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings);
}

void QeNotifyLed::TurnOff() {
    SetLed(0);
    if (m_timer != 0) {
        if (QeTimerManager* timers = QeTimerManager::Instance()) timers->Remove(m_timer);
        m_timer = 0;
    }
    m_on = false;
}

UINT QeNotifyLed::TurnOnFor(float seconds) {
    TurnOff();
    SetLed(1);
    if (QeTimerManager* timers = QeTimerManager::Instance()) m_timer = timers->Add(seconds, seconds, &OnTimeUp, this);
    m_on = true;
    return m_timer;
}

void QeNotifyLed::OnTimeUp(void* self) { static_cast<QeNotifyLed*>(self)->TurnOff(); }
