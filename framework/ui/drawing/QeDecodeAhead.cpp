#include "framework/ui/drawing/QeDecodeAhead.h"

#include <algorithm>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>

#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "framework/ui/drawing/QeImage.h"

namespace {

struct Decoded {
    QeDecodedImage image;
    bool decoded = false;
    std::vector<std::wstring> traces;
};

struct Ahead {
    int format = kImageOther;
    // The size in the file's PNG header; none for a file of another format or a damaged one.
    std::shared_future<SIZE> header;
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

// The files announced whose header is not read yet, with the promise of each one's size.
std::deque<std::pair<std::wstring, std::promise<SIZE>>>& HeadersDue() {
    static auto* due = new std::deque<std::pair<std::wstring, std::promise<SIZE>>>;
    return *due;
}

// The files announced and not decoded yet, in order, with the promise of each one's decode.
std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>>& Expected() {
    static auto* expected = new std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>>;
    return *expected;
}

// The file's reading ahead, when it would be read in this format; the end of Started() when there
// is none. Lock held.
std::map<std::wstring, Ahead>::iterator FindStarted(const std::wstring& path, int format) {
    const auto found = Started().find(path);
    if (found == Started().end()) return found;
    // Another format reads the file with another decoder; the file is left to that read.
    const int wanted = format == kImageOther ? ImageFormatFromExtension(path) : format;
    return wanted == found->second.format ? found : Started().end();
}

// The size in a PNG file's header when the file reads whole; none otherwise.
SIZE ReadHeader(const std::wstring& path) {
    QeFileReader file;
    SIZE size{0, 0};
    return file.Open(path) && QeImage::ReadPngHeader(file, path, kImageOther, size) ? size : SIZE{0, 0};
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

// Decodes the expected file at the path (the first one expected when path is null); false when
// there is none.
bool DecodeNext(const std::wstring* path) {
    std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>> next;
    {
        std::lock_guard<std::mutex> guard(Lock());
        auto& expected = Expected();
        const auto found = path == nullptr ? expected.begin()
                                           : std::find_if(expected.begin(), expected.end(),
                                                          [&](const auto& due) { return due.first == *path; });
        if (found == expected.end()) return false;
        next = std::move(*found);
        expected.erase(found);
    }
    next.second.set_value(DecodeFile(next.first));
    return true;
}

}  // namespace

namespace QeDecodeAhead {

void Expect(const std::vector<std::wstring>& paths) {
    std::lock_guard<std::mutex> guard(Lock());
    for (const std::wstring& path : paths) {
        if (Started().count(path) != 0) continue;
        Ahead& ahead = Started()[path];
        ahead.format = ImageFormatFromExtension(path);
        HeadersDue().emplace_back(path, std::promise<SIZE>());
        ahead.header = HeadersDue().back().second.get_future().share();
        Expected().emplace_back(path, std::promise<std::shared_ptr<Decoded>>());
        ahead.result = Expected().back().second.get_future().share();
    }
}

void DecodeForLoads() {
    // What the loads need first, in the order they come, well before the first draw: a PNG file's
    // header, or the pixels of any other picture, which its load decodes.
    std::deque<std::pair<std::wstring, std::promise<SIZE>>> headers;
    {
        std::lock_guard<std::mutex> guard(Lock());
        headers.swap(HeadersDue());
    }
    for (auto& [path, size] : headers) {
        const SIZE read = ReadHeader(path);
        size.set_value(read);
        if (read.cx <= 0 || read.cy <= 0) DecodeNext(&path);
    }
}

void DecodeExpected() {
    DecodeForLoads();
    while (DecodeNext(nullptr)) {
    }
}

bool PngSize(const std::wstring& path, int format, SIZE& size) {
    std::shared_future<SIZE> header;
    {
        std::lock_guard<std::mutex> guard(Lock());
        const auto found = FindStarted(path, format);
        if (found == Started().end()) return false;
        header = found->second.header;
    }
    const SIZE read = header.get();
    if (read.cx <= 0 || read.cy <= 0) return false;
    size = read;
    return true;
}

bool Take(const std::wstring& path, int format, QeDecodedImage& image, bool& decoded) {
    std::shared_future<std::shared_ptr<Decoded>> result;
    {
        std::lock_guard<std::mutex> guard(Lock());
        const auto found = FindStarted(path, format);
        if (found == Started().end()) return false;
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
    std::deque<std::pair<std::wstring, std::promise<SIZE>>> headers;
    std::deque<std::pair<std::wstring, std::promise<std::shared_ptr<Decoded>>>> expected;
    {
        std::lock_guard<std::mutex> guard(Lock());
        started.swap(Started());
        headers.swap(HeadersDue());
        expected.swap(Expected());
    }
}

}  // namespace QeDecodeAhead
