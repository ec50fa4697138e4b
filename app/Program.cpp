#include "app/Program.h"

#include <cstdio>
#include <string>

#include "app/StartAhead.h"
#include "framework/base/QePathTable.h"
#include "framework/ui/shell/QeFramework.h"
#include "platform/graphics/gdi.h"
#include "platform/screen/sdl_presenter.h"
#include "platform/system/crt.h"

bool Program::Start() {
    if (m_frameworkStarted) return false;
    // The skin and the first frame's pictures are read while the framework starts, their large
    // blocks already mapped as the framework will have them mapped.
    UseMappedLargeBlocks();
    StartAhead::Begin();
    const bool started = StartApplication();
    // The first frame is drawn by now: what it did not take is not kept.
    StartAhead::End();
    return started;
}

bool Program::StartApplication() {
    if (!QeFrameworkStart()) return false;
    m_frameworkStarted = true;
    m_app = std::make_unique<MessengerApp>();
    const RECT screen{0, 0, QeScreenWidth(), QeScreenHeight()};
    if (m_app->Create(MessengerApp::kTitle, screen)) return true;
    Stop();
    return false;
}

void Program::Run() {
    if (m_app) m_app->Run();
}

void Program::Stop() {
    m_app.reset();
    if (m_frameworkStarted) QeFrameworkStop();
    m_frameworkStarted = false;
}

int TevrikMain(const ProgramHooks& hooks) {
    // Every screen draws text: the font configuration is read while the rest starts.
    PrepareFonts();
    // The skin is read while the presenter opens its window too.
    UseMappedLargeBlocks();
    StartAhead::Begin();
    std::string why;
    if (!hooks.headless && !StartSdlPresenter(&why)) {
        StartAhead::End();
        std::fprintf(stderr, "tevrik: %s\n", why.c_str());
        return kNoDisplayStatus;
    }
    {
        Program program;
        if (program.Start()) {
            if (!hooks.started || hooks.started(program)) program.Run();
            if (hooks.ended) hooks.ended();
        }
    }
    if (!hooks.headless) StopSdlPresenter();
    return 0;
}
