#include "framework/ui/shell/QeFramework.h"

#include <clocale>
#include <cstring>

#include "framework/base/CryptoDigest.h"
#include "framework/base/QePathTable.h"
#include "framework/base/QeTiming.h"
#include "framework/ui/shell/QeConnection.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/shell/QeNotifyLed.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "platform/system/crt.h"

namespace {

QeMainWindow* g_mainWindow = nullptr;
QeMessageDispatcher* g_dispatcher = nullptr;
QeConnection* g_connection = nullptr;
QeInputPanel* g_inputPanel = nullptr;
QeNotifyLed* g_notifyLed = nullptr;
QeTransitionManager* g_transitions = nullptr;
const char* g_failingStep = nullptr;

template <class T>
void SafeDelete(T*& owner) {
    delete owner;
    owner = nullptr;
}

bool SystemStart() {
    // Starting again replaces the objects; the ones they replace go last, in the stop's order.
    QeMainWindow* mainWindow = new QeMainWindow;
    QeMessageDispatcher* dispatcher = new QeMessageDispatcher;
    QeConnection* connection = new QeConnection;
    QeInputPanel* inputPanel = new QeInputPanel;
    QeNotifyLed* notifyLed = new QeNotifyLed;
    SafeDelete(g_notifyLed);
    SafeDelete(g_inputPanel);
    SafeDelete(g_connection);
    SafeDelete(g_dispatcher);
    SafeDelete(g_mainWindow);
    g_mainWindow = mainWindow;
    g_dispatcher = dispatcher;
    g_connection = connection;
    g_inputPanel = inputPanel;
    g_notifyLed = notifyLed;
    return true;
}

void SystemStop() {
    // The dispatcher goes before the main window: the window's last messages then get the default
    // handling, which the procedure gives without a dispatcher.
    SafeDelete(g_notifyLed);
    SafeDelete(g_inputPanel);
    SafeDelete(g_connection);
    SafeDelete(g_dispatcher);
    SafeDelete(g_mainWindow);
}

// The clock and the timer manager, then the transitions that run on them.
bool TimingStart() {
    if (!QeTimingStart()) return false;
    QeTransitionManager* transitions = new QeTransitionManager;
    SafeDelete(g_transitions);
    g_transitions = transitions;
    return true;
}

void TimingStop() {
    SafeDelete(g_transitions);
    QeTimingStop();
}

struct Step {
    const char* name;
    bool (*start)();
    void (*stop)();
};

const Step kSteps[] = {
    {"path table", &QePathTableStart, &QePathTableStop},
    {"graphics", &QeGraphicsStart, &QeGraphicsStop},
    {"crypto", &QeCryptoStart, &QeCryptoStop},
    {"timing", &TimingStart, &TimingStop},
    {"popup holder", &QePopupHolderStart, &QePopupHolderStop},
    {"system", &SystemStart, &SystemStop},
};

void UseUtf8CharacterType() {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name) != nullptr) return;
    }
}

}  // namespace

bool QeFrameworkStart() {
    UseUtf8CharacterType();
    UseMappedLargeBlocks();
    for (const Step& step : kSteps) {
        if (g_failingStep != nullptr && std::strcmp(g_failingStep, step.name) == 0) return false;
        if (!step.start()) return false;
    }
    return true;
}

void QeFrameworkStop() {
    for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it) it->stop();
}

void QeFrameworkFailStep(const char* name) { g_failingStep = name; }
