// The notification LED: the last LED the device has, switched on for a while.
#pragma once

#include "framework/base/QeSingleton.h"
#include "platform/win_types.h"

class QeNotifyLed : public QeSingleton<QeNotifyLed> {
public:
    // Finds the LED and switches it off. A device without LEDs gets no LED calls at all.
    QeNotifyLed();
    ~QeNotifyLed() override;  // switches it off

    // Off, and any pending switch-off timer removed.
    void TurnOff();
    // Off first, then on, with a timer that switches it off after the seconds; answers the timer id.
    UINT TurnOnFor(float seconds);

    int LedNumber() const { return m_led; }
    bool IsOn() const { return m_on; }
    UINT TimerId() const { return m_timer; }

private:
    static void OnTimeUp(void* self);
    void SetLed(int offOnBlink);

    int m_led = -1;  // -1: the device has none
    bool m_on = false;
    UINT m_timer = 0;
};
