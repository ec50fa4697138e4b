// Composing one full 480 x 588 frame: ten overlapping window surfaces (one blended at constant
// alpha 128) onto a paint DC, and the same with a popup open, which sends the frame through the
// off-screen frame, dims what lies under the popup and copies the union to the screen. Target: at
// most 2 ms per frame on one core, and a frame with the popup at most 1.3 times pixman's own. The
// "Pixman" runs composite the same layers with pixman directly, in the same order and with the same
// operators, as the floor to compare with; their dimming is one premultiplied solid colour laid
// over, pixman's quickest way to the same pixels.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <vector>

#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QePaint.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/view/QeRect.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 588;

// Screen rectangles of the ten windows, back to front; the seventh is half transparent.
constexpr RECT kWindows[] = {
    {0, 0, 480, 588},    {0, 0, 480, 40},     {0, 40, 480, 548},  {0, 548, 480, 588},  {20, 60, 460, 160},
    {20, 170, 460, 270}, {20, 280, 460, 380}, {20, 390, 460, 490}, {100, 100, 380, 400}, {200, 300, 440, 560},
};
constexpr int kBlended = 6;
constexpr SIZE kPopup = {300, 200};

struct App : QeApplicationBase {};

pixman_image_t* ImageOf(const QeDC& dc) {
    BitmapPixels pixels{};
    if (dc.Bitmap() == nullptr || !GetBitmapPixels(dc.Bitmap()->Handle(), &pixels)) return nullptr;
    return pixman_image_create_bits(PIXMAN_x8r8g8b8, pixels.width, pixels.height,
                                    reinterpret_cast<uint32_t*>(pixels.top), pixels.stride);
}

// The graphics group, an application (root and frame), the ten windows with their surfaces drawn
// and held for the frame, the popup when asked for, and a paint DC on a screen-sized framebuffer.
class Scene {
public:
    explicit Scene(bool withPopup) {
        QeGraphicsStart();
        QePopupHolderStart();
        m_app = std::make_unique<App>();
        QeWindow& root = m_app->Root();
        root.SetOwnDC(true);
        root.SetVisible(true);
        root.SetRect(RECT{0, 0, kWidth, kHeight});
        uint32_t color = 0x203040;
        for (const RECT& r : kWindows) {
            auto window = std::make_unique<QeWindow>();
            window->SetOwnDC(true);
            window->SetVisible(true);
            window->SetRect(r);
            root.AddChild(window.get());
            Hold(*window, color += 0x151b23);
            m_windows.push_back(std::move(window));
        }
        m_windows[kBlended]->HeldSurface()->Layer().drawMethod = kDrawAlphaBlend;
        m_windows[kBlended]->HeldSurface()->Layer().keyOrAlpha = 128;
        if (withPopup) {
            m_popup = new QePopup;
            m_popup->Popup(kPopup, nullptr, nullptr);
            Hold(*m_popup, 0x30C060);
        }
        m_screen.Create(kWidth, kHeight);
        const RECT all{0, 0, kWidth, kHeight};
        m_paint = std::make_unique<QeDC>(CreatePaintDC(m_screen.Bitmap()->Handle(), &all, 1), QeDC::kBorrowed);
    }
    ~Scene() {
        DeleteDC(m_paint->Handle());
        m_paint.reset();
        if (m_popup != nullptr) m_popup->Close(0);
        m_windows.clear();
        m_app.reset();
        QePopupHolderStop();
        QeGraphicsStop();
    }

    bool Compose() { return QeComposeFrame(m_app->Frame(), *m_paint, kWidth, kHeight); }

    // The layers for pixman: the surfaces in the order the compositor takes them.
    std::vector<const QeSurface*> Layers() const {
        std::vector<const QeSurface*> layers;
        for (const auto& w : m_windows) layers.push_back(w->HeldSurface());
        return layers;
    }
    const QeSurface* Popup() const { return m_popup != nullptr ? m_popup->HeldSurface() : nullptr; }
    QeSurface& Screen() { return m_screen; }

private:
    // The window's surface for this frame, covering the window whole, in one colour.
    static void Hold(QeWindow& window, uint32_t color) {
        const RECT screen = window.GetScreenRect();
        QeSurface* surface = window.GetSurface(window.GetClientRect(), screen);
        if (surface != nullptr) surface->Fill(color & 0xFFFFFF);
    }

    std::unique_ptr<App> m_app;
    std::vector<std::unique_ptr<QeWindow>> m_windows;
    QePopup* m_popup = nullptr;
    QeSurface m_screen;
    std::unique_ptr<QeDC> m_paint;
};

void Compose(benchmark::State& state, bool withPopup) {
    Scene scene(withPopup);
    if (!scene.Compose()) state.SkipWithError("the frame was not composed");
    for (auto _ : state) benchmark::DoNotOptimize(scene.Compose());
    state.SetItemsProcessed(state.iterations());
}

void BM_ComposeFrame(benchmark::State& state) { Compose(state, false); }
BENCHMARK(BM_ComposeFrame)->Unit(benchmark::kMicrosecond);

void BM_ComposeFrameWithPopup(benchmark::State& state) { Compose(state, true); }
BENCHMARK(BM_ComposeFrameWithPopup)->Unit(benchmark::kMicrosecond);

// pixman_image_composite32 of one layer: a copy, or OVER through a constant-alpha mask.
void CompositeLayer(const QeLayer& layer, pixman_image_t* source, pixman_image_t* target, pixman_image_t* half) {
    const RECT& to = layer.destination;
    const bool blended = layer.drawMethod == kDrawAlphaBlend;
    pixman_image_composite32(blended ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, source, blended ? half : nullptr, target,
                             layer.source.left, layer.source.top, 0, 0, to.left, to.top, to.right - to.left,
                             to.bottom - to.top);
}

void Pixman(benchmark::State& state, bool withPopup) {
    Scene scene(withPopup);
    std::vector<pixman_image_t*> sources;
    for (const QeSurface* layer : scene.Layers()) sources.push_back(ImageOf(*layer));
    QeSurface frame;
    frame.Create(kWidth, kHeight);
    pixman_image_t* screen = ImageOf(scene.Screen());
    pixman_image_t* target = withPopup ? ImageOf(frame) : screen;
    pixman_image_t* popup = withPopup ? ImageOf(*scene.Popup()) : nullptr;
    const pixman_color_t halfAlpha{0, 0, 0, 128 * 257};
    // 0x080808 at alpha 128, premultiplied: 8 * 128 / 255 rounds to 4.
    const pixman_color_t dimColor{4 * 257, 4 * 257, 4 * 257, 128 * 257};
    pixman_image_t* half = pixman_image_create_solid_fill(&halfAlpha);
    pixman_image_t* dim = pixman_image_create_solid_fill(&dimColor);
    const std::vector<const QeSurface*> layers = scene.Layers();
    for (auto _ : state) {
        RECT united{0, 0, 0, 0};
        for (size_t i = 0; i < layers.size(); ++i) {
            CompositeLayer(layers[i]->Layer(), sources[i], target, half);
            united = i == 0 ? layers[i]->Layer().destination : QeUnionRect(united, layers[i]->Layer().destination);
        }
        if (withPopup) {
            pixman_image_composite32(PIXMAN_OP_OVER, dim, nullptr, target, 0, 0, 0, 0, united.left, united.top,
                                     united.right - united.left, united.bottom - united.top);
            CompositeLayer(scene.Popup()->Layer(), popup, target, half);
            pixman_image_composite32(PIXMAN_OP_SRC, target, nullptr, screen, united.left, united.top, 0, 0,
                                     united.left, united.top, united.right - united.left,
                                     united.bottom - united.top);
        }
        benchmark::ClobberMemory();
    }
    for (pixman_image_t* image : sources) pixman_image_unref(image);
    for (pixman_image_t* image : {screen, popup, half, dim}) {
        if (image != nullptr) pixman_image_unref(image);
    }
    if (withPopup) pixman_image_unref(target);
    state.SetItemsProcessed(state.iterations());
}

void BM_PixmanComposeFrame(benchmark::State& state) { Pixman(state, false); }
BENCHMARK(BM_PixmanComposeFrame)->Unit(benchmark::kMicrosecond);

void BM_PixmanComposeFrameWithPopup(benchmark::State& state) { Pixman(state, true); }
BENCHMARK(BM_PixmanComposeFrameWithPopup)->Unit(benchmark::kMicrosecond);

}  // namespace
