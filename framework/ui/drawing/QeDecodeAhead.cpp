#include "framework/ui/drawing/QeDecodeAhead.h"

#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"

namespace {

struct Decoded {
    QeDecodedImage image;
    bool decoded = false;
    std::vector<std::wstring> traces;
};

struct Ahead {
    int format = kImageOther;
    std::future<std::unique_ptr<Decoded>> result;
};

std::mutex& Lock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::map<std::wstring, Ahead>& Started() {
    static auto* started = new std::map<std::wstring, Ahead>;
    return *started;
}

}  // namespace

namespace QeDecodeAhead {

void Start(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(Lock());
    if (Started().count(path) != 0) return;
    Ahead& ahead = Started()[path];
    ahead.format = ImageFormatFromExtension(path);
    ahead.result = std::async(std::launch::async, [path] {
        auto out = std::make_unique<Decoded>();
        QeTraceHold hold;
        out->decoded = LoadImageFile(out->image, path, kImageOther);
        // Skin pictures are made per-pixel-alpha bitmaps (device ones below 32 bits): their
        // pixels are made ready for that here too.
        for (auto& frame : out->image.Frames()) {
            QeBitmap::Prepare(*frame, kBitmapPerPixelAlpha);
        }
        out->traces = hold.Take();
        return out;
    });
}

bool Take(const std::wstring& path, int format, QeDecodedImage& image, bool& decoded) {
    std::future<std::unique_ptr<Decoded>> result;
    {
        std::lock_guard<std::mutex> guard(Lock());
        const auto found = Started().find(path);
        if (found == Started().end()) return false;
        // Another format reads the file with another decoder; the file is left to that read.
        const int wanted = format == kImageOther ? ImageFormatFromExtension(path) : format;
        if (wanted != found->second.format) return false;
        result = std::move(found->second.result);
        Started().erase(found);
    }
    std::unique_ptr<Decoded> done = result.get();
    QeTraceReplay(done->traces);
    image = std::move(done->image);
    decoded = done->decoded;
    return true;
}

void Drop() {
    std::map<std::wstring, Ahead> started;
    {
        std::lock_guard<std::mutex> guard(Lock());
        started.swap(Started());
    }
    // Each future waits for its decode as it goes.
}

}  // namespace QeDecodeAhead
