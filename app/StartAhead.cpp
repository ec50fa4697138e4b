#include "app/StartAhead.h"

#include <future>
#include <memory>
#include <vector>

#include "app/MessengerApp.h"
#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeDecodeAhead.h"
#include "platform/system/crt.h"

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

// Every picture named in the sections of the windows shown first, in the order the skin names them
// (the login screen's background first); the first frame takes those it draws, and End frees the
// others.
void DecodeFirstPictures(const QeMarkupDocument& skin, const QePathRoots& roots) {
    const QeMarkupElement* top = skin.FindChild(L"Tevrik");
    if (top == nullptr) return;
    std::vector<std::wstring> paths;
    for (const wchar_t* section : MessengerApp::kShownAtStart) {
        if (const QeMarkupElement* element = top->FindChild(section)) CollectFiles(*element, roots, paths);
    }
    QeDecodeAhead::Decode(paths);
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
    ReturnFreePages();
}

}  // namespace StartAhead
