// The framework's start and stop: its singletons made in a fixed order and destroyed in exactly the
// reverse order.
//
// Start steps, in order: the path table; the graphics group (the surface, image and font pools, the
// update region, the back buffer); the crypto provider; timing (the clock, the timer manager, the
// transition manager); the popup holder; the operating-system group (QeMainWindow,
// QeMessageDispatcher, QeConnection, QeInputPanel, QeNotifyLed). Before any step the character type
// becomes UTF-8, on which wide case folding (titles, class names, text) depends, and large blocks of
// memory are mapped on their own.
#pragma once

// Runs the steps in order; false at the first that fails, leaving the later ones undone.
bool QeFrameworkStart();
// Undoes every step, last first; harmless for steps not done.
void QeFrameworkStop();

// Test tooling: the named step ("path table", "graphics", "crypto", "timing", "popup holder",
// "system") fails in every start from now on; null makes every step run again.
void QeFrameworkFailStep(const char* name);
