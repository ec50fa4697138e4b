// The framework's gallery: a skin written for this test lays out screens that use the controls,
// the real loop draws them into the headless framebuffer on the test clock, and each scene is
// compared with its golden picture in tests/golden/ (tests/support/Golden.h says how a failure is
// shown and how a golden is made again on purpose).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeMarkup.h"
#include "framework/base/QePathTable.h"
#include "framework/controls/QeBoxLayout.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/controls/QePopupMenu.h"
#include "framework/controls/EmoticonImage.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/framework/temp_dir.h"
#include "tests/framework/test_skin.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/Pump.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

// ---- the images beside the skin, drawn in code

using Shader = std::function<uint32_t(int x, int y)>;  // 0xAARRGGBB

std::string Bmp(int width, int height, const Shader& shade) {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const uint32_t c = shade(x, y);
            row += {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16)};
        }
        rows.push_back(row);
    }
    image_files::Bmp bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.pixels = image_files::BmpRows(rows);
    return image_files::BmpFile(bmp);
}

std::string Png(int width, int height, const Shader& shade) {
    image_files::Png png;
    png.width = static_cast<uint32_t>(width);
    png.height = static_cast<uint32_t>(height);
    png.colorType = 6;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = shade(x, y);
            png.rows += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c),
                         static_cast<char>(c >> 24)};
        }
    }
    return image_files::PngFile(png);
}

uint32_t Mix(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float v = static_cast<float>((a >> shift) & 0xFF) * (1 - t) + static_cast<float>((b >> shift) & 0xFF) * t;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
}

bool Edge(int x, int y, int width, int height) { return x == 0 || y == 0 || x == width - 1 || y == height - 1; }

// A button face: a vertical gradient inside a dark frame.
Shader ButtonFace(uint32_t top, uint32_t bottom, uint32_t frame) {
    return [=](int x, int y) { return Edge(x, y, 70, 26) ? frame : Mix(top, bottom, static_cast<float>(y) / 25); };
}

// A box, with a tick when checked.
Shader CheckFace(bool checked) {
    return [=](int x, int y) -> uint32_t {
        if (Edge(x, y, 16, 16)) return 0x506070;
        const bool tick = (x >= 3 && x <= 6 && y == x + 5) || (x >= 6 && x <= 12 && y == 17 - x) ||
                          (x >= 3 && x <= 6 && y == x + 4) || (x >= 6 && x <= 12 && y == 16 - x);
        return checked && tick ? 0x208040 : 0xFFFFFF;
    };
}

// Sky, a sun and a green hill.
uint32_t Landscape(int x, int y) {
    const float hill = 24 + 5 * std::sin(static_cast<float>(x) / 7);
    if (static_cast<float>(y) > hill) return Mix(0x3A8A3A, 0x1F5F1F, static_cast<float>(y - 24) / 12);
    const int dx = x - 34, dy = y - 10;
    if (dx * dx + dy * dy < 36) return 0xFFD040;
    return Mix(0x7FB8F0, 0xD8ECFF, static_cast<float>(y) / 30);
}

// A five-pointed star on the colour key.
uint32_t Star(int x, int y) {
    const float cx = static_cast<float>(x) - 17.5f, cy = static_cast<float>(y) - 18.5f;
    const float angle = std::atan2(cy, cx) + 1.5707964f;
    const float r = std::sqrt(cx * cx + cy * cy);
    const float arm = std::fabs(std::fmod(angle * 5 / 6.2831855f + 10.5f, 1.0f) - 0.5f) * 2;  // 0 at a point
    return r < 7 + 10 * (1 - arm) ? 0xF0B020 : 0xFF00FF;
}

// An orange glow that fades out toward its rim.
uint32_t Glow(int x, int y) {
    const float cx = static_cast<float>(x) - 17.5f, cy = static_cast<float>(y) - 17.5f;
    const float fall = std::max(0.0f, 1 - std::sqrt(cx * cx + cy * cy) / 18);
    return static_cast<uint32_t>(fall * 255) << 24 | 0xFF6A00;
}

// A presence dot: the colour inside a soft rim.
Shader Dot(uint32_t color) {
    return [=](int x, int y) {
        const float cx = static_cast<float>(x) - 4.5f, cy = static_cast<float>(y) - 4.5f;
        const float edge = std::clamp(5 - std::sqrt(cx * cx + cy * cy), 0.0f, 1.0f);
        return static_cast<uint32_t>(edge * 255) << 24 | color;
    };
}

// A face of two frames a tenth of a second each, looping: eyes open, then a wink.
std::string WinkGif() {
    auto face = [](bool wink) {
        std::vector<uint8_t> pixels;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const int dx = 2 * x - 15, dy = 2 * y - 15;
                uint8_t index = dx * dx + dy * dy <= 225 ? 1 : 0;
                const bool leftEye = x == 5 && (y == 5 || y == 6);
                const bool rightEye = wink ? (y == 6 && x >= 9 && x <= 11) : (x == 10 && (y == 5 || y == 6));
                const bool mouth = (y == 11 && x >= 5 && x <= 10) || (y == 10 && (x == 4 || x == 11));
                if (index == 1 && (leftEye || rightEye || mouth)) index = 2;
                pixels.push_back(index);
            }
        }
        return pixels;
    };
    return image_files::GifFile(16, 16, {0xFFFFFF, 0xF0C020, 0x603000, 0x000000})
        .Loop(0)
        .Control(1, 10, -1)
        .Image(image_files::GifImage(0, 0, 16, 16, face(false)))
        .Control(1, 10, -1)
        .Image(image_files::GifImage(0, 0, 16, 16, face(true)))
        .Done();
}

uint32_t Checker(int x, int y) { return ((x / 8 + y / 8) % 2) != 0 ? 0xC8D0D8 : 0xFFFFFF; }

// ---- the skin

const wchar_t* const kLabelStyle = L"<BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats>"
                                   L"<FontSize>13</FontSize><TextColor>#203040</TextColor>";

std::wstring Label(const std::wstring& name, const std::wstring& rect, const std::wstring& text,
                   const std::wstring& style = kLabelStyle) {
    return L"<" + name + L"><_Rect>" + rect + L"</_Rect>" + style + L"<Text>" + text + L"</Text></" + name + L">";
}

std::wstring Button(const std::wstring& name, const std::wstring& text) {
    const std::wstring label = L"<BackMode>Transparent</BackMode><FontSize>13</FontSize><TextColor>#ffffff</TextColor>"
                               L"<Text>" + text + L"</Text>";
    return L"<" + name + L"><DefaultImage><File>button.bmp</File></DefaultImage>"
                         L"<ClickedImage><File>button_down.bmp</File></ClickedImage>"
                         L"<DefaultLabel>" + label + L"</DefaultLabel><ClickedLabel>" + label + L"</ClickedLabel></" +
           name + L">";
}

std::wstring Check(const std::wstring& name, const std::wstring& rect) {
    return L"<" + name + L"><_Rect>" + rect + L"</_Rect><DefaultImage><File>check_off.bmp</File></DefaultImage>"
                         L"<CheckedImage><File>check_on.bmp</File></CheckedImage></" + name + L">";
}

std::wstring Picture(const std::wstring& name, const std::wstring& rect, const std::wstring& image) {
    return L"<" + name + L"><_Rect>" + rect + L"</_Rect>" + image + L"</" + name + L">";
}

std::wstring SkinText() {
    return L"<Tevrik>"
           L"<Gallery><_Rect>0, 0, 240, 320</_Rect><_BackColor>#e8eef4</_BackColor>" +
           Label(L"Title", L"8, 4, 224, 24", L"컨트롤 갤러리",
                 L"<BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats><FontSize>18</FontSize>"
                 L"<FontEffects>Bold</FontEffects><TextColor>#102030</TextColor>") +
           L"<Buttons><_Rect>8, 34, 224, 26</_Rect><_Spacing>8</_Spacing>" + Button(L"Ok", L"확인") +
           Button(L"Cancel", L"취소") + Button(L"More", L"더 보기") + L"</Buttons>" +
           Check(L"Sound", L"8, 70, 16, 16") + Label(L"SoundLabel", L"30, 69, 120, 18", L"알림 소리") +
           Check(L"Vibrate", L"8, 92, 16, 16") + Label(L"VibrateLabel", L"30, 91, 120, 18", L"진동") +
           Check(L"AutoLogin", L"8, 114, 16, 16") + Label(L"AutoLoginLabel", L"30, 113, 160, 18", L"자동 로그인 (고정)") +
           Picture(L"Backdrop", L"8, 140, 224, 52", L"<File>checker.bmp</File>") +
           Picture(L"Copy", L"18, 148, 36, 36", L"<File>landscape.bmp</File><DrawMethod>BitBlt</DrawMethod>") +
           Picture(L"Keyed", L"74, 148, 36, 36",
                   L"<File>star.bmp</File><DrawMethod>TransparentBlt</DrawMethod><ColorKey>#ff00ff</ColorKey>") +
           Picture(L"Faded", L"130, 148, 36, 36",
                   L"<File>landscape.bmp</File><DrawMethod>AlphaBlend</DrawMethod><ConstantAlpha>128</ConstantAlpha>") +
           Picture(L"Shaded", L"186, 148, 36, 36", L"<File>glow.png</File><DrawMethod>AlphaBlendPerPixel</DrawMethod>") +
           Label(L"CopyLabel", L"8, 194, 56, 16", L"복사") + Label(L"KeyedLabel", L"64, 194, 56, 16", L"색 키") +
           Label(L"FadedLabel", L"120, 194, 56, 16", L"반투명") + Label(L"ShadedLabel", L"176, 194, 56, 16", L"알파") +
           L"</Gallery>"
           L"<Detail><_Rect>0, 0, 240, 320</_Rect><_BackColor>#2c3e50</_BackColor>" +
           Label(L"Name", L"12, 12, 216, 24", L"대화 상대",
                 L"<BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats><FontSize>18</FontSize>"
                 L"<TextColor>#ffffff</TextColor>") +
           Picture(L"Photo", L"12, 48, 216, 162", L"<File>landscape.bmp</File>") +
           L"</Detail>"
           L"<Lists><_Rect>0, 0, 240, 320</_Rect><_BackColor>#e8eef4</_BackColor>"
           L"<Memo><_Rect>8, 8, 224, 60</_Rect><FontSize>14</FontSize><BackColor>#ffffff</BackColor>"
           L"<TextColor>#203040</TextColor><Aligns>Left Top</Aligns>"
           L"<XIndicator><Enabled>False</Enabled></XIndicator></Memo>"
           L"<Wink><Text>;)</Text><File>wink.gif</File><DrawMethod>BitBlt</DrawMethod></Wink>"
           L"<Buddies><_Rect>8, 76, 224, 236</_Rect>"
           L"<YIndicator><Enabled>True</Enabled><Thick>6</Thick><Margin>2</Margin></YIndicator>"
           L"<XIndicator><Enabled>False</Enabled></XIndicator>"
           L"<Header><BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats><FontSize>13</FontSize>"
           L"<FontEffects>Bold</FontEffects><TextColor>#ffffff</TextColor></Header>"
           L"<Name><BackMode>Transparent</BackMode><TextFormats>Left VCenter EndEllipsis</TextFormats>"
           L"<FontSize>13</FontSize><TextColor>#203040</TextColor></Name>"
           L"<Online><File>online.png</File><DrawMethod>AlphaBlendPerPixel</DrawMethod></Online>"
           L"<Offline><File>offline.png</File><DrawMethod>AlphaBlendPerPixel</DrawMethod></Offline>"
           L"</Buddies>"
           L"</Lists>"
           L"<Menu><_Size>160, 150</_Size>"
           L"<TopFrame><File>menu_top.bmp</File></TopFrame><MiddleFrame><File>menu_middle.bmp</File></MiddleFrame>"
           L"<BottomFrame><File>menu_bottom.bmp</File></BottomFrame>"
           L"<Header><BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats><FontSize>12</FontSize>"
           L"<FontEffects>Bold</FontEffects><TextColor>#708090</TextColor></Header>"
           L"<Item><BackMode>Transparent</BackMode><TextFormats>Left VCenter</TextFormats><FontSize>14</FontSize>"
           L"<TextColor>#203040</TextColor></Item>"
           L"</Menu>"
           L"<Prompt><_Rect>0, 0, 180, 90</_Rect><_BackColor>#ffffff</_BackColor>" +
           Label(L"Question", L"12, 10, 156, 40", L"로그아웃 할까요?") +
           L"<Buttons><_Rect>12, 54, 156, 26</_Rect><_Spacing>6</_Spacing>" + Button(L"Yes", L"예") +
           Button(L"No", L"아니요") + L"</Buttons>"
           L"</Prompt>"
           L"</Tevrik>";
}

// ---- the windows the skin lays out

// A screen of the skin: its own surface filled with its back colour, its children placed from
// their _Rect.
struct SkinScreen : QeWindow {
    explicit SkinScreen(const QeMarkupElement& section) : section(section) {
        SetOwnDC(true);
        SetRect(ParseRect(section.FindChild(L"_Rect")));
        back = ParseColor(section.FindChild(L"_BackColor"));
    }
    int Draw(QeSurface* surface, const RECT& rect) override { return surface->FillSolid(back, rect); }

    // Loads the control from the child element of the name and puts it at its _Rect.
    template <class Control>
    Control& Place(Control& control, const wchar_t* name, QeWindow* parent = nullptr) {
        const QeMarkupElement* element = section.FindChild(name);
        EXPECT_NE(element, nullptr) << "no " << name;
        if (element == nullptr) return control;
        EXPECT_EQ(control.Load(*element), 1) << name;
        control.SetRect(ParseRect(element->FindChild(L"_Rect")));
        control.SetVisible(true);
        (parent != nullptr ? *parent : *this).AddChild(&control);
        return control;
    }

    const QeMarkupElement& section;
    COLORREF back = 0;
};

// Buttons side by side, sharing the row's width by a box layout.
struct ButtonRow : QeWindow {
    explicit ButtonRow(const QeMarkupElement& element) : element(element) {
        layout.horizontalSpacing = ParseInt(element.FindChild(L"_Spacing"));
    }
    void Add(QeButton& button, const wchar_t* name) {
        const QeMarkupElement* skin = element.FindChild(name);
        EXPECT_TRUE(skin != nullptr && button.Load(*skin) == 1) << name;
        button.SetVisible(true);
        AddChild(&button);
        layout.AppendToRow(&button);
    }
    // Shown in the parent at the row's _Rect; the layout places the buttons.
    void PlaceIn(QeWindow& parent) {
        SetVisible(true);
        parent.AddChild(this);
        SetRect(ParseRect(element.FindChild(L"_Rect")));
    }
    void OnRectChanged(const RECT& rect) override { layout.Apply(rect.right - rect.left, rect.bottom - rect.top); }

    const QeMarkupElement& element;
    QeBoxLayout layout;
};

struct GalleryScreen : SkinScreen {
    explicit GalleryScreen(const QeMarkupElement& section) : SkinScreen(section), row(*section.FindChild(L"Buttons")) {
        Place(title, L"Title");
        row.Add(ok, L"Ok");
        row.Add(cancel, L"Cancel");
        row.Add(more, L"More");
        row.PlaceIn(*this);
        Place(sound, L"Sound");
        Place(soundLabel, L"SoundLabel");
        Place(vibrate, L"Vibrate");
        Place(vibrateLabel, L"VibrateLabel");
        Place(autoLogin, L"AutoLogin");
        Place(autoLoginLabel, L"AutoLoginLabel");
        autoLogin.SetChecked(true);
        autoLogin.SetReadOnly(true);
        Place(backdrop, L"Backdrop");
        for (auto [view, name] : {std::pair{&copy, L"Copy"}, {&keyed, L"Keyed"}, {&faded, L"Faded"}, {&shaded, L"Shaded"}})
            Place(*view, name);
        for (auto [label, name] : {std::pair{&copyLabel, L"CopyLabel"}, {&keyedLabel, L"KeyedLabel"},
                                   {&fadedLabel, L"FadedLabel"}, {&shadedLabel, L"ShadedLabel"}})
            Place(*label, name);
    }

    QeLabel title;
    ButtonRow row;
    QeButton ok, cancel, more;
    QeCheckBox sound, vibrate, autoLogin;
    QeLabel soundLabel, vibrateLabel, autoLoginLabel;
    QeImageView backdrop, copy, keyed, faded, shaded;
    QeLabel copyLabel, keyedLabel, fadedLabel, shadedLabel;
};

struct DetailScreen : SkinScreen {
    explicit DetailScreen(const QeMarkupElement& section) : SkinScreen(section) {
        Place(name, L"Name");
        Place(photo, L"Photo");
    }
    QeLabel name;
    QeImageView photo;
};

// Buddies in folding groups: a band with the group's name for a header, a presence dot and a name
// for an item, the selected row lit.
struct BuddyTable : QeTableView {
    int Load(const QeMarkupElement& element) {
        bool loaded = QeScrollView::Load(element) == 1;
        for (auto [text, name] : {std::pair{&header, L"Header"}, {&buddy, L"Name"}}) {
            const QeMarkupElement* skin = element.FindChild(name);
            loaded = loaded && skin != nullptr && text->Load(*skin);
        }
        for (auto [image, name] : {std::pair{&online, L"Online"}, {&offline, L"Offline"}}) {
            const QeMarkupElement* skin = element.FindChild(name);
            loaded = loaded && skin != nullptr && image->Load(*skin);
        }
        return loaded ? 1 : 0;
    }
    void AddGroup(const std::wstring& name, const std::vector<std::pair<std::wstring, bool>>& members) {
        TableItem group(TableItem::kHeader, 24);
        group.text = name + L" (" + std::to_wstring(members.size()) + L")";
        AddItem(group);
        for (const auto& [member, present] : members) {
            TableItem row(TableItem::kItem, 28);
            row.text = member;
            row.userValue = present ? 1 : 0;
            AddItem(row);
        }
        FinishAnimation();
    }
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override {
        const TableItem* row = GetItem(index);
        if (row == nullptr) return 1;
        QeCell cell(*this, *surface, index, clip, inRow);
        const int width = Width();
        if (row->kind == TableItem::kHeader) {
            surface->FillSolid(RGB(70, 110, 170), clip);
            header.SetText((row->expanded ? L"▼ " : L"▶ ") + row->text);
            cell.DrawText(header, RECT{8, 0, width - 8, row->fullHeight});
            return 1;
        }
        surface->FillSolid(index == GetSelection() ? RGB(255, 226, 150) : RGB(255, 255, 255), clip);
        // The divider, like everything a row draws, stays inside the part asked for.
        RECT divider;
        if (QeIntersectRect(QeOffsetRect(RECT{0, row->fullHeight - 1, width, row->fullHeight}, clip.left - inRow.left,
                                         clip.top - inRow.top),
                            clip, divider)) {
            surface->FillSolid(RGB(220, 226, 234), divider);
        }
        cell.DrawImage(row->userValue != 0 ? online : offline, RECT{10, 9, 20, 19});
        buddy.SetText(row->text);
        cell.DrawText(buddy, RECT{28, 0, width - 12, row->fullHeight});
        return 1;
    }
    QeSkinText header, buddy;
    QeSkinImage online, offline;
};

struct ListsScreen : SkinScreen {
    explicit ListsScreen(const QeMarkupElement& section) : SkinScreen(section) {
        Place(memo, L"Memo");
        Place(buddies, L"Buddies");
        EXPECT_EQ(wink.Load(section.FindChild(L"Wink")), 1);
        memo.InsertText(L"안녕하세요! 오늘 저녁 일곱 시에 만나요 ");
        EXPECT_EQ(memo.InsertImage(wink), 1);
        memo.InsertText(L" 늦지 마세요");
        buddies.AddGroup(L"친구", {{L"김민수", true},
                                  {L"이지영", false},
                                  {L"박서준 (회의 중이라 답장이 늦어요)", true},
                                  {L"한소희", true},
                                  {L"오태윤", false}});
        buddies.AddGroup(L"회사", {{L"최유나", true}, {L"정하늘", false}});
        buddies.AddGroup(L"가족", {{L"엄마", true}, {L"아빠", false}, {L"누나", true}, {L"동생", false}, {L"할머니", false}});
        buddies.CollapseGroup(6);
        buddies.FinishAnimation();
        buddies.SetSelection(2);
    }
    QeEdit memo;
    BuddyTable buddies;
    EmoticonImage wink;
};

// A question with two buttons over the dimmed screen.
struct PromptPopup : QePopup {
    explicit PromptPopup(const QeMarkupElement& section)
        : screen(section), row(*section.FindChild(L"Buttons")) {
        // Drawn into the popup's own surface, which lies above the dimming.
        screen.SetOwnDC(false);
        screen.SetVisible(true);
        AddChild(&screen);
        screen.Place(question, L"Question");
        row.Add(yes, L"Yes");
        row.Add(no, L"No");
        row.PlaceIn(screen);
    }
    // The screen inside draws into the popup's surface.
    struct Face : SkinScreen {
        using SkinScreen::SkinScreen;
    } screen;
    QeLabel question;
    ButtonRow row;
    QeButton yes, no;
};

// A menu of a chat room: a header and four commands in framed corners that let the dimmed screen
// show through (the frames' magenta is the popup's colour key).
struct RoomMenu : QePopupMenu {
    explicit RoomMenu(const QeMarkupElement& section) {
        EXPECT_EQ(TopFrame().Load(*section.FindChild(L"TopFrame")), 1);
        EXPECT_EQ(MiddleFrame().Load(*section.FindChild(L"MiddleFrame")), 1);
        EXPECT_EQ(BottomFrame().Load(*section.FindChild(L"BottomFrame")), 1);
        EXPECT_TRUE(header.Load(*section.FindChild(L"Header")));
        EXPECT_TRUE(item.Load(*section.FindChild(L"Item")));
        TableItem title(TableItem::kHeader, 24);
        title.text = L"대화방";
        List().AddItem(title);
        for (const wchar_t* command : {L"친구 초대", L"대화 내용 저장", L"알림 끄기", L"대화방 나가기"}) {
            TableItem row(TableItem::kItem, 26);
            row.text = command;
            List().AddItem(row);
        }
        List().FinishAnimation();
        size = ParseSize(section.FindChild(L"_Size"));
    }
    // The frames lie under the list but are not drawn while it covers what is repainted: the list
    // paints the white of the middle frame where no row is (the bar's track once it has faded).
    int DrawMenuBackground(QeSurface* surface, const RECT& rect) override {
        return surface->FillSolid(RGB(255, 255, 255), rect);
    }
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override {
        const TableItem* row = List().GetItem(index);
        if (row == nullptr) return 1;
        QeCell cell(List(), *surface, index, clip, inRow);
        if (index == List().GetSelection()) surface->FillSolid(RGB(214, 230, 250), clip);
        QeSkinText& text = row->kind == TableItem::kHeader ? header : item;
        text.SetText(row->text);
        cell.DrawText(text, RECT{6, 0, List().Width() - 6, row->fullHeight});
        return 1;
    }
    QeSkinText header, item;
    SIZE size{0, 0};
};

// A frame image of a rounded box: magenta outside the corners, a dark rim, white inside. `top` and
// `bottom` say which corners the strip has.
Shader MenuFrame(int width, int height, bool top, bool bottom) {
    return [=](int x, int y) -> uint32_t {
        constexpr int kRadius = 8;
        const int cx = x < kRadius ? kRadius : x >= width - kRadius ? width - 1 - kRadius : x;
        int cy = y;
        if (top && y < kRadius) cy = kRadius;
        if (bottom && y >= height - kRadius) cy = height - 1 - kRadius;
        const int dx = x - cx, dy = y - cy;
        const int d2 = dx * dx + dy * dy;
        if (d2 > kRadius * kRadius) return 0xFF00FF;
        const bool rim = d2 > (kRadius - 1) * (kRadius - 1) || x == 0 || x == width - 1 || (top && y == 0) ||
                         (bottom && y == height - 1);
        return rim ? 0x405060 : 0xFFFFFF;
    };
}

class GalleryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_images.Valid());
        m_images.WriteBytes("button.bmp", Bmp(70, 26, ButtonFace(0x5A8CDC, 0x2E5AA8, 0x1A3870)));
        m_images.WriteBytes("button_down.bmp", Bmp(70, 26, ButtonFace(0x2E5AA8, 0x1A3870, 0x0E2048)));
        m_images.WriteBytes("check_off.bmp", Bmp(16, 16, CheckFace(false)));
        m_images.WriteBytes("check_on.bmp", Bmp(16, 16, CheckFace(true)));
        m_images.WriteBytes("landscape.bmp", Bmp(48, 36, Landscape));
        m_images.WriteBytes("star.bmp", Bmp(36, 36, Star));
        m_images.WriteBytes("glow.png", Png(36, 36, Glow));
        m_images.WriteBytes("checker.bmp", Bmp(224, 52, Checker));
        m_images.WriteBytes("wink.gif", WinkGif());
        m_images.WriteBytes("menu_top.bmp", Bmp(160, 12, MenuFrame(160, 12, true, false)));
        m_images.WriteBytes("menu_middle.bmp", Bmp(160, 4, MenuFrame(160, 4, false, false)));
        m_images.WriteBytes("menu_bottom.bmp", Bmp(160, 12, MenuFrame(160, 12, false, true)));
        m_images.WriteBytes("online.png", Png(10, 10, Dot(0x30B050)));
        m_images.WriteBytes("offline.png", Png(10, 10, Dot(0x9098A0)));

        ASSERT_TRUE(m_rig.Start(L"Gallery", kWidth, kHeight));
        m_window = m_rig.Window();
        QePathTable::Instance()->SetRoot(0, m_images.Path(L""));
        m_skin.Parse(SkinText());
        m_gallery = std::make_unique<GalleryScreen>(Section(L"Gallery"));
        m_detail = std::make_unique<DetailScreen>(Section(L"Detail"));
        m_lists = std::make_unique<ListsScreen>(Section(L"Lists"));
        m_rig.Root().AddChild(m_gallery.get());
        m_rig.Root().AddChild(m_detail.get());
        m_rig.Root().AddChild(m_lists.get());
        m_gallery->SetVisible(true);
        Repaint();
    }
    void TearDown() override {
        if (QePopup* popup = QePopup::Current()) popup->Close(0);
        QeTransitionManager::Instance()->Clear();
        m_gallery.reset();
        m_detail.reset();
        m_lists.reset();
        m_rig.Stop();
    }

    const QeMarkupElement& Section(const wchar_t* name) { return *m_skin.First().FindChild(name); }
    void Repaint() {
        m_rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        PumpPending();
    }
    // The frame the edit's wink shows now (its image, shared through the pool).
    size_t WinkFrame() {
        QeImagePool* pool = QeImagePool::Instance();
        const int32_t handle = pool->Load(m_lists->wink.Descriptor().key);
        const QeImage* image = handle >= 0 ? pool->Find(handle) : nullptr;
        const size_t frame = image != nullptr ? image->CurrentFrame() : 99;
        if (handle >= 0) pool->Unload(handle);
        return frame;
    }
    static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // The centre of a control on the screen.
    static POINT Centre(const QeWindow& control) { return Centre(control.GetScreenRect()); }

    FakeClock m_clock;
    TempDir m_images;
    TestSkin m_skin;
    AppRig m_rig;
    HWND m_window = nullptr;
    std::unique_ptr<GalleryScreen> m_gallery;
    std::unique_ptr<DetailScreen> m_detail;
    std::unique_ptr<ListsScreen> m_lists;
};

TEST_F(GalleryTest, TheControlsAsTheUserLeavesThem) {
    // One box ticked by a tap, the read-only one tapped in vain, a button held down.
    const POINT sound = Centre(m_gallery->sound), fixed = Centre(m_gallery->autoLogin);
    InjectClick(m_window, sound.x, sound.y);
    InjectClick(m_window, fixed.x, fixed.y);
    const POINT cancel = Centre(m_gallery->cancel);
    InjectPen(m_window, WM_LBUTTONDOWN, cancel.x, cancel.y);
    PumpPending();
    ASSERT_TRUE(m_gallery->sound.IsChecked());
    ASSERT_TRUE(m_gallery->cancel.ShowsClicked());
    EXPECT_TRUE(MatchesGolden(m_window, "gallery_controls"));
    InjectPen(m_window, WM_LBUTTONUP, cancel.x, cancel.y);
    PumpPending();
}

TEST_F(GalleryTest, ListsAfterADragAndATap) {
    m_gallery->SetVisible(false);
    m_lists->SetVisible(true);
    Repaint();
    // Dragged up by 90 pixels in 20 ms steps and let go after a pause (no fling), then a tap on a
    // buddy: the row is selected while the bar fades. By then the wink is on its second frame.
    const POINT start = Centre(m_lists->buddies);
    InjectPen(m_window, WM_LBUTTONDOWN, start.x, start.y);
    for (int step = 1; step <= 9; ++step) {
        m_clock.Advance(20);
        InjectPen(m_window, WM_MOUSEMOVE, start.x, start.y - 10 * step);
        PumpPending();
    }
    m_clock.Advance(120);
    InjectPen(m_window, WM_LBUTTONUP, start.x, start.y - 90);
    m_clock.Advance(20);
    const POINT mum = Centre(m_lists->buddies.GetItemScreenRect(10));
    InjectClick(m_window, mum.x, mum.y);
    PumpPending();
    ASSERT_EQ(m_lists->buddies.GetSelection(), 10);
    ASSERT_EQ(m_lists->buddies.GetItem(10)->text, L"엄마");
    ASSERT_TRUE(m_lists->buddies.IndicatorY().IsFading());
    ASSERT_EQ(WinkFrame(), 1u);
    EXPECT_TRUE(MatchesGolden(m_window, "gallery_lists"));
    m_clock.Advance(3000);
}

TEST_F(GalleryTest, APromptOverTheDimmedScreen) {
    auto* prompt = new PromptPopup(Section(L"Prompt"));
    prompt->Popup(SIZE{180, 90}, nullptr, nullptr);
    PumpPending();
    EXPECT_TRUE(MatchesGolden(m_window, "gallery_prompt"));
}

TEST_F(GalleryTest, AMenuOverTheDimmedScreen) {
    struct Choice {
        int result = -1;
        int32_t row = -1;
    } choice;
    auto* menu = new RoomMenu(Section(L"Menu"));
    menu->Popup(menu->size, [](void* context, QePopup* popup, int result) {
        auto* c = static_cast<Choice*>(context);
        c->result = result;
        c->row = static_cast<RoomMenu*>(popup)->List().GetSelection();
    }, &choice);
    // A second later the list's bar (shown as the rows came) has faded; the pen held on the third
    // command lights it.
    m_clock.Advance(1000);
    const POINT at = Centre(menu->List().GetItemScreenRect(3));
    InjectPen(m_window, WM_LBUTTONDOWN, at.x, at.y);
    PumpPending();
    EXPECT_TRUE(MatchesGolden(m_window, "gallery_menu"));
    InjectPen(m_window, WM_LBUTTONUP, at.x, at.y);
    PumpPending();
    EXPECT_EQ(choice.result, 1);
    EXPECT_EQ(choice.row, 3);
    EXPECT_EQ(QePopup::Current(), nullptr);
}

TEST_F(GalleryTest, ATransitionHalfWay) {
    QeTransitionParams params;
    params.source = m_gallery.get();
    params.target = m_detail.get();
    params.effect = kTransitionPush;
    params.direction = kTransitionLeftwards;
    params.animation = QeAnimationParams(1.0f, 0);
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(params));
    m_clock.Advance(500);
    EXPECT_TRUE(MatchesGolden(m_window, "gallery_transition"));
    m_clock.Advance(500);
    EXPECT_TRUE(m_detail->IsVisible());
}

GoldenPicture ReadBack(const std::string& path) {
    GoldenPicture picture;
    ReadPng(path, picture);
    return picture;
}

// The harness itself: one pixel off fails, and the two pictures written show it.
TEST(GoldenTest, OnePixelOffFailsAndLeavesTheDrawnAndTheDifferencePictures) {
    if (std::getenv("TEVRIK_UPDATE_GOLDEN") != nullptr) GTEST_SKIP() << "it would write over a golden";
    GoldenPicture picture;
    ASSERT_TRUE(ReadPng(GoldenPath("gallery_transition"), picture));
    picture.pixels[5 * picture.width + 7] ^= 0x010000;
    const ::testing::AssertionResult result = MatchesGolden(picture, "gallery_transition", "golden_selftest");
    ASSERT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("1 of 76800 pixels differ"), std::string::npos) << result.message();
    GoldenPicture drawn, diff;
    ASSERT_TRUE(ReadPng("golden-output/golden_selftest.actual.png", drawn));
    ASSERT_TRUE(ReadPng("golden-output/golden_selftest.diff.png", diff));
    EXPECT_EQ(drawn.pixels, picture.pixels);
    EXPECT_EQ(std::count(diff.pixels.begin(), diff.pixels.end(), 0xFF00FFu), 1);
    EXPECT_EQ(diff.pixels[5 * picture.width + 7], 0xFF00FFu);
    // A match under the same output name clears them, so the folder shows only real failures.
    ASSERT_TRUE(MatchesGolden(ReadBack(GoldenPath("gallery_transition")), "gallery_transition", "golden_selftest"));
    EXPECT_FALSE(ReadPng("golden-output/golden_selftest.actual.png", drawn));
    EXPECT_FALSE(ReadPng("golden-output/golden_selftest.diff.png", diff));
}

}  // namespace
