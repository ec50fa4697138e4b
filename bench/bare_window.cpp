// The start-up benchmark's yardstick: the program's own process start, framework start and SDL
// presenter, and one main window of the screen's size with nothing in it, shown; then the loop
// until the benchmark ends it. Everything the messenger adds to a start is missing here.
#include "framework/base/QePathTable.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeFramework.h"
#include "platform/screen/sdl_presenter.h"

int main() {
    if (!StartSdlPresenter(nullptr)) return 1;
    if (QeFrameworkStart()) {
        {
            QeApplicationBase application;
            if (application.Create(L"Tevrik", RECT{0, 0, QeScreenWidth(), QeScreenHeight()})) application.Run();
        }
        QeFrameworkStop();
    }
    StopSdlPresenter();
    return 0;
}
