#include "messenger/model/ScreenSeam.h"

namespace {
ScreenSeam g_silent;
ScreenSeam* g_screens = &g_silent;
}  // namespace

ScreenSeam& Screens() { return *g_screens; }

void SetScreens(ScreenSeam* seam) { g_screens = seam != nullptr ? seam : &g_silent; }
