#include "app/StartAhead.h"

#include <future>
#include <memory>

#include "app/MessengerApp.h"
#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeDecodeAhead.h"

namespace {

struct ReadSkin {
    std::wstring path;
    QeMarkupDocument document;
    bool read = false;
};

// Begin, TakeSkin and End all run on the user-interface thread.
std::future<std::unique_ptr<ReadSkin>>& Reading() {
    static auto* reading = new std::future<std::unique_ptr<ReadSkin>>;
    return *reading;
}

void CollectFiles(const QeMarkupElement& element, const QePathRoots& roots) {
    for (const auto& child : element.Children()) {
        if (child->Name() == L"File") {
            std::wstring path;
            roots.Resolve(path, 0, child->Text());
            QeDecodeAhead::Start(path);
        }
        CollectFiles(*child, roots);
    }
}

// Every picture named in the sections of the windows shown first; the first frame takes those it
// draws, and End frees the others.
void DecodeFirstPictures(const QeMarkupDocument& skin, const QePathRoots& roots) {
    const QeMarkupElement* top = skin.FindChild(L"Tevrik");
    if (top == nullptr) return;
    for (const wchar_t* section : MessengerApp::kShownAtStart) {
        if (const QeMarkupElement* element = top->FindChild(section)) CollectFiles(*element, roots);
    }
}

}  // namespace

namespace StartAhead {

void Begin() {
    End();
    QePathRoots roots;
    MessengerApp::SetResourceRoots(roots, MessengerApp::FindProgramFolder());
    std::wstring path;
    roots.Resolve(path, 2, MessengerApp::kSkinFile);
    Reading() = std::async(std::launch::async, [roots, path] {
        auto skin = std::make_unique<ReadSkin>();
        skin->path = path;
        skin->read = skin->document.LoadFile(path);
        if (skin->read) DecodeFirstPictures(skin->document, roots);
        return skin;
    });
}

bool TakeSkin(const std::wstring& resolved, QeMarkupDocument& document, bool& read) {
    if (!Reading().valid()) return false;
    std::unique_ptr<ReadSkin> skin = Reading().get();
    if (skin->path != resolved) return false;
    document = std::move(skin->document);
    read = skin->read;
    return true;
}

void End() {
    if (Reading().valid()) Reading().get();
    QeDecodeAhead::Drop();
}

}  // namespace StartAhead
