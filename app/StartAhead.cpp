#include "app/StartAhead.h"

#include <future>
#include <memory>
#include <vector>

#include "app/MessengerApp.h"
#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeDecodeAhead.h"
#include "platform/graphics/gdi.h"
#include "platform/system/crt.h"

namespace {

struct ReadSkin {
    QeMarkupDocument document;
    bool read = false;
};

// The helper's work: the skin, handed over as soon as it is read, then the pictures. Begin,
// TakeSkin and End all run on the user-interface thread.
struct Reading {
    std::wstring path;
    std::future<std::unique_ptr<ReadSkin>> skin;
    std::future<void> done;
};

Reading& TheReading() {
    static auto* reading = new Reading;
    return *reading;
}

void CollectFiles(const QeMarkupElement& element, const QePathRoots& roots, std::vector<std::wstring>& paths) {
    for (const auto& child : element.Children()) {
        if (child->Name() == L"File") {
            std::wstring path;
            roots.Resolve(path, 0, child->Text());
            paths.push_back(std::move(path));
        }
        CollectFiles(*child, roots, paths);
    }
}

// Announces every picture named in the sections of the windows shown first, in the order the skin
// names them (the login screen's background first); the first frame takes those it draws, and End
// frees the others.
void ExpectFirstPictures(const QeMarkupDocument& skin, const QePathRoots& roots) {
    const QeMarkupElement* top = skin.FindChild(L"Tevrik");
    if (top == nullptr) return;
    std::vector<std::wstring> paths;
    for (const wchar_t* section : MessengerApp::kShownAtStart) {
        if (const QeMarkupElement* element = top->FindChild(section)) CollectFiles(*element, roots, paths);
    }
    QeDecodeAhead::Expect(paths);
}

}  // namespace

namespace StartAhead {

void Begin() {
    QePathRoots roots;
    MessengerApp::SetResourceRoots(roots, MessengerApp::FindProgramFolder());
    std::wstring path;
    roots.Resolve(path, 2, MessengerApp::kSkinFile);
    if (TheReading().skin.valid() && TheReading().path == path) return;
    End();
    TheReading().path = path;
    auto handed = std::make_shared<std::promise<std::unique_ptr<ReadSkin>>>();
    TheReading().skin = handed->get_future();
    TheReading().done = std::async(std::launch::async, [roots, path, handed] {
        auto skin = std::make_unique<ReadSkin>();
        skin->read = skin->document.LoadFile(path);
        if (skin->read) ExpectFirstPictures(skin->document, roots);
        handed->set_value(std::move(skin));
        QeDecodeAhead::DecodeForLoads();
        // The other pictures are first needed by the first draw, well after the windows are made
        // once the font configuration is read; decoded beside that reading, they slow it.
        WaitForFonts();
        QeDecodeAhead::DecodeExpected();
    });
}

bool TakeSkin(const std::wstring& resolved, QeMarkupDocument& document, bool& read) {
    if (!TheReading().skin.valid() || TheReading().path != resolved) return false;
    std::unique_ptr<ReadSkin> skin = TheReading().skin.get();
    document = std::move(skin->document);
    read = skin->read;
    return true;
}

void End() {
    if (TheReading().done.valid()) TheReading().done.get();
    if (TheReading().skin.valid()) TheReading().skin.get();
    QeDecodeAhead::Drop();
    ReturnFreePages();
}

}  // namespace StartAhead
