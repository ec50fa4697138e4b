// The upgrade box while a package downloads: an update that changes neither the percent text nor
// the bar composes no frame; one that changes either composes one frame (target: under 0.5 ms).
// The download runs a 16 MiB package from the service stand-in on the loopback, with the box
// updated after every block, against the same download without the box.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/AppScreens.h"
#include "app/screens/common/UpgradeBox.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

constexpr size_t kPackageBytes = 16u << 20;

// Updates of the box ShowUpgradeBox opened, as the download listener makes them; `step` is the
// progress added by each (0: the same progress again).
void BM_UpgradeBoxUpdate(benchmark::State& state) {
    MessengerRig rig;
    if (!rig.Start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    Screens().ShowUpgradeBox();
    rig.Settle();
    const float step = static_cast<float>(state.range(0)) / 1000.0f;
    float progress = 0.0f;
    const uint32_t before = QeMainWindow::Instance()->invalidations;
    for (auto _ : state) {
        progress += step;
        if (progress > 1.0f) progress = 0.0f;
        Screens().SetUpgradeProgress(progress);
    }
    state.counters["repaints"] =
        benchmark::Counter(static_cast<double>(QeMainWindow::Instance()->invalidations - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_UpgradeBoxUpdate)->Arg(0)->Arg(10)->Unit(benchmark::kMicrosecond);

// The 16 MiB package downloaded with the box (arg 1) and without it (arg 0).
void BM_UpgradeDownload(benchmark::State& state) {
    MessengerRig rig;
    if (!rig.Start() || !rig.StartService()) {
        state.SkipWithError("the program or the service did not start");
        return;
    }
    rig.Service().SetUpgradePackage(std::string(kPackageBytes, 'p'));
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(rig.Service().HttpPort()) + L"/Upgrade/Tevrik_wm10.cab";
    const std::wstring path = rig.App().ProgramFolder() + L"_Tevrik.cab";
    for (auto _ : state) {
        const bool done = state.range(0) != 0 ? DownloadToFileWithProgress(url, path) : DownloadToFile(url, path);
        if (!done) state.SkipWithError("the download failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPackageBytes));
}
BENCHMARK(BM_UpgradeDownload)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
