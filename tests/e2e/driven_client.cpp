// The program as it ships, with a drive link to a test (DriveLink.h). It runs on the test clock from
// the first line and at the fixed local time of the screen tests, so a script alone decides what
// it shows. Set by the test in its environment:
//   TEVRIK_DRIVE_PORT        the test's loopback port (required)
//   TEVRIK_DRIVE_TRACE       a file that takes the framework's trace lines
//   TEVRIK_DRIVE_HEADLESS=1  the headless presenter instead of SDL (memory benchmark)
//   TEVRIK_DRIVE_REAL_CLOCK=1  the real clock and local time (memory benchmark)
// Login host and port, the trusted CA, settings and runtime folders come through the variables the
// program reads anyway.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app/Program.h"
#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "platform/system/systime.h"
#include "tests/e2e/DriveLink.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/Pump.h"

namespace {

bool Switch(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void TraceToFile(void* file, const std::wstring& text) {
    const std::string line = QeStrings::WideToUtf8(text);
    std::fwrite(line.data(), 1, line.size(), static_cast<FILE*>(file));
    std::fflush(static_cast<FILE*>(file));
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

int main() {
    std::optional<FakeClock> clock;
    if (!Switch("TEVRIK_DRIVE_REAL_CLOCK")) {
        clock.emplace();
        LocalTimeFixedBegin(MessengerRig::kLocalStart);
    }
    const char* port = std::getenv("TEVRIK_DRIVE_PORT");
    if (port == nullptr) {
        std::fprintf(stderr, "driven client: TEVRIK_DRIVE_PORT is not set\n");
        return 2;
    }
    FILE* trace = nullptr;
    if (const char* path = std::getenv("TEVRIK_DRIVE_TRACE")) trace = std::fopen(path, "w");
    if (trace != nullptr) QeSetTraceSink(&TraceToFile, trace);

    DriveLink link(clock ? &*clock : nullptr);
    ProgramHooks hooks;
    hooks.headless = Switch("TEVRIK_DRIVE_HEADLESS");
    hooks.started = [&](Program& program) {
        return link.Open(program, static_cast<unsigned short>(std::atoi(port)));
    };
    hooks.ended = [&] { link.Shut(); };
    const int status = TevrikMain(hooks);

    if (trace != nullptr) {
        QeSetTraceSink(nullptr, nullptr);
        std::fclose(trace);
    }
    if (clock) LocalTimeFixedEnd();
    return status;
}
