// The contact sheet of the shipped skin: every picture element of Image/Skin.dat (each element with
// a File) shown by an image view with its own draw method over a neutral ground, through the real
// loop, and compared with tests/golden/skin_pictures.png. Elements that name the same file, part,
// method and key draw alike and are shown once.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/base/QeMarkup.h"
#include "framework/base/QePathTable.h"
#include "framework/controls/QeImageView.h"
#include "framework/image/QeImageDecoder.h"
#include "platform/system/file.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"

namespace {

constexpr int kWidth = 480;
constexpr int kGap = 4;
// Pictures wider than this are shown at half size, two to a row.
constexpr int kWidest = kWidth / 2 - 2 * kGap;
constexpr COLORREF kGround = RGB(200, 204, 208);

std::wstring TextOf(const QeMarkupElement& element, const wchar_t* name) {
    const QeMarkupElement* child = element.FindChild(name);
    return child != nullptr ? child->Text() : std::wstring();
}

// The picture elements under `element` in document order, one for each way of drawing.
void CollectPictures(const QeMarkupElement& element, std::set<std::wstring>& seen,
                     std::vector<const QeMarkupElement*>& pictures) {
    if (element.FindChild(L"File") != nullptr) {
        std::wstring key;
        for (const wchar_t* name : {L"File", L"ImageCoord", L"DrawMethod", L"ColorKey", L"ConstantAlpha"})
            key += TextOf(element, name) + L"|";
        if (seen.insert(key).second) pictures.push_back(&element);
    }
    for (const auto& child : element.Children()) CollectPictures(*child, seen, pictures);
}

struct Sheet : QeWindow {
    Sheet() { SetOwnDC(true); }
    int Draw(QeSurface* surface, const RECT& rect) override { return surface->FillSolid(kGround, rect); }
};

}  // namespace

// The size a picture element is drawn at: its part of the file, or the whole file.
SIZE PictureSize(const QeMarkupElement& picture, const std::wstring& images) {
    if (picture.FindChild(L"ImageCoord") != nullptr) {
        const RECT part = ParseRect(picture.FindChild(L"ImageCoord"));
        return SIZE{part.right - part.left, part.bottom - part.top};
    }
    QeDecodedImage image;
    if (!LoadImageFile(image, images + L"\\" + TextOf(picture, L"File"), kImageOther)) return SIZE{0, 0};
    return SIZE{image.Width(), image.Height()};
}

TEST(SkinSheetTest, EveryPictureElementDrawnByItsMethod) {
    FakeClock clock;  // the animated emoticon stays on its first frame
    QeMarkupDocument skin;
    const std::wstring images = PathFromNative(std::string(TEVRIK_ASSETS_DIR) + "/Image");
    ASSERT_TRUE(skin.Load(images + L"\\Skin.dat"));
    std::set<std::wstring> seen;
    std::vector<const QeMarkupElement*> pictures;
    CollectPictures(skin, seen, pictures);
    ASSERT_FALSE(pictures.empty());

    // Each picture at its own size, laid out in rows.
    std::vector<RECT> cells;
    int x = kGap, y = kGap, rowHeight = 0;
    for (const QeMarkupElement* picture : pictures) {
        SIZE size = PictureSize(*picture, images);
        EXPECT_GT(size.cx, 0) << TextOf(*picture, L"File");
        if (size.cx > kWidest) size = SIZE{size.cx / 2, size.cy / 2};
        if (x + size.cx > kWidth - kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        cells.push_back(RECT{x, y, x + size.cx, y + size.cy});
        x += size.cx + kGap;
        rowHeight = std::max(rowHeight, static_cast<int>(size.cy));
    }
    const int height = y + rowHeight + kGap;

    AppRig rig;
    ASSERT_TRUE(rig.Start(L"SkinSheet", kWidth, height));
    QePathTable::Instance()->SetRoot(0, images);
    Sheet sheet;
    sheet.SetRect(RECT{0, 0, kWidth, height});
    sheet.SetVisible(true);
    rig.Root().AddChild(&sheet);
    std::vector<std::unique_ptr<QeImageView>> views;
    for (size_t i = 0; i < pictures.size(); ++i) {
        views.push_back(std::make_unique<QeImageView>());
        EXPECT_EQ(views.back()->Load(*pictures[i]), 1) << TextOf(*pictures[i], L"File");
        views.back()->SetRect(cells[i]);
        views.back()->SetVisible(true);
        sheet.AddChild(views.back().get());
    }
    rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
    PumpPending();
    EXPECT_TRUE(MatchesGolden(rig.Window(), "skin_pictures"));
    for (auto& view : views) sheet.RemoveChild(view.get());
    rig.Root().RemoveChild(&sheet);
    views.clear();
    rig.Stop();
}
