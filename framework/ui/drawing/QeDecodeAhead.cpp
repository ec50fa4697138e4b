#include "framework/ui/drawing/QeDecodeAhead.h"

#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>

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
    std::shared_future<std::shared_ptr<Decoded>> result;
};

std::mutex& Lock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::map<std::wstring, Ahead>& Started() {
    static auto* started = new std::map<std::wstring, Ahead>;
    return *started;
}

// The files announced and not decoded yet, in order, with the promise of each one's decode.
std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>>& Expected() {
    static auto* expected = new std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>>;
    return *expected;
}

std::shared_ptr<Decoded> DecodeFile(const std::wstring& path) {
    auto out = std::make_shared<Decoded>();
    QeTraceHold hold;
    out->decoded = LoadImageFile(out->image, path, kImageOther);
    // Skin pictures are made per-pixel-alpha bitmaps (device ones below 32 bits): their pixels are
    // made ready for that here too.
    for (auto& frame : out->image.Frames()) QeBitmap::Prepare(*frame, kBitmapPerPixelAlpha);
    out->traces = hold.Take();
    return out;
}

}  // namespace

namespace QeDecodeAhead {

void Expect(const std::vector<std::wstring>& paths) {
    std::lock_guard<std::mutex> guard(Lock());
    for (const std::wstring& path : paths) {
        if (Started().count(path) != 0) continue;
        Ahead& ahead = Started()[path];
        ahead.format = ImageFormatFromExtension(path);
        Expected().emplace_back(path, std::promise<std::shared_ptr<Decoded>>());
        ahead.result = Expected().back().second.get_future().share();
    }
}

void DecodeExpected() {
    for (;;) {
        std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>> next;
        {
            std::lock_guard<std::mutex> guard(Lock());
            if (Expected().empty()) return;
            next = std::move(Expected().front());
            Expected().pop_front();
        }
        next.second.set_value(DecodeFile(next.first));
    }
}

bool Take(const std::wstring& path, int format, QeDecodedImage& image, bool& decoded) {
    std::shared_future<std::shared_ptr<Decoded>> result;
    {
        std::lock_guard<std::mutex> guard(Lock());
        const auto found = Started().find(path);
        if (found == Started().end()) return false;
        // Another format reads the file with another decoder; the file is left to that read.
        const int wanted = format == kImageOther ? ImageFormatFromExtension(path) : format;
        if (wanted != found->second.format) return false;
        result = found->second.result;
        Started().erase(found);
    }
    const std::shared_ptr<Decoded> done = result.get();
    QeTraceReplay(done->traces);
    image = std::move(done->image);
    decoded = done->decoded;
    return true;
}

void Drop() {
    std::map<std::wstring, Ahead> started;
    std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>> expected;
    {
        std::lock_guard<std::mutex> guard(Lock());
        started.swap(Started());
        expected.swap(Expected());
    }
}

}  // namespace QeDecodeAhead
