#include "framework/ui/view/QePaint.h"

#include "framework/base/QeClock.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/motion/QeTransitionManager.h"

namespace {

constexpr RECT kNoRect{0, 0, 0, 0};

// U grows by a drawn rectangle; nothing drawn adds nothing.
void Grow(RECT& united, const RECT& drawn) {
    if (IsEmptyRect(drawn)) return;
    united = IsEmptyRect(united) ? drawn : QeUnionRect(united, drawn);
}

// Set for the length of one composition, whatever way it ends.
class ComposingFlag {
public:
    ComposingFlag() { Set(true); }
    ~ComposingFlag() { Set(false); }

private:
    static void Set(bool on) {
        if (QeUpdateRegion* region = QeUpdateRegion::Instance()) region->composing = on;
    }
};

}  // namespace

QePaintContext::QePaintContext(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint), QeDC::kBorrowed) {
    if (QeMainWindow* main = QeMainWindow::Instance()) main->paintRect = m_paint.rcPaint;
}

void QePaintContext::End() {
    if (m_ended) return;
    m_ended = true;
    if (m_dc.Handle() != nullptr) EndPaint(m_window, &m_paint);
    if (QeMainWindow* main = QeMainWindow::Instance()) main->ClearDirtyRect();
    m_dc.Release();
}

RECT QeComposeLayer(QeDC& target, QeDC& surface) {
    const QeLayer& layer = surface.Layer();
    // An empty extent stands for the whole surface in a blit: an empty layer must not draw.
    if (IsEmptyRect(layer.destination)) return kNoRect;
    bool drawn = true;
    switch (layer.drawMethod) {
    case kDrawBitBlt:
        drawn = QeDC::Blit(target, surface, layer.destination, layer.source, SRCCOPY);
        break;
    case kDrawTransparentBlt:
        drawn = QeDC::TransparentBlit(target, surface, layer.destination, layer.source, layer.keyOrAlpha);
        break;
    case kDrawAlphaBlend:
        drawn = QeDC::AlphaBlit(target, surface, layer.destination, layer.source, static_cast<BYTE>(layer.keyOrAlpha));
        break;
    case kDrawAlphaBlendPerPixel:
        drawn = QeDC::AlphaBlitPerPixel(target, surface, layer.destination, layer.source);
        break;
    default:
        break;
    }
    return drawn ? layer.destination : kNoRect;
}

bool QeEnsureFrameSurface(QeFrameSurface& frame, int width, int height) { return frame.dc.Create(width, height); }

bool QeComposeFrame(QeFrameSurface& frame, QeDC& paintDC, int width, int height) {
    ComposingFlag composing;
    QePopup* popup = QePopup::Current();
    QeDC* target = &paintDC;
    const bool throughFrame = frame.forceFrame || popup != nullptr;
    if (throughFrame) {
        if ((frame.dc.Width() != width || frame.dc.Height() != height) && !QeEnsureFrameSurface(frame, width, height)) {
            return false;
        }
        target = &frame.dc;
    }

    QeSurface* popupSurface = popup != nullptr ? popup->HeldSurface() : nullptr;
    RECT united = kNoRect;
    if (QeSurfacePool* pool = QeSurfacePool::Instance()) {
        for (const auto& layer : pool->InUseList()) {
            if (layer.value != popupSurface) Grow(united, QeComposeLayer(*target, *layer.value));
        }
    }
    if (QeTransitionManager* transitions = QeTransitionManager::Instance()) {
        if (!transitions->RenderAll(*target)) return false;
        for (const RECT& area : transitions->Areas()) Grow(united, area);
    }

    RECT copied = united;
    if (popup != nullptr) {
        QeBackBuffer* dim = QeBackBuffer::Instance();
        if (!IsEmptyRect(united) && dim != nullptr) QeDC::AlphaBlit(*target, dim->Surface(), united, kNoRect, dim->alpha);
        // The popup's own changes reach the screen too, wherever they lie. Its layer is keyed here,
        // not where it draws: a menu list covering the part being drawn skips the popup's Draw.
        if (popupSurface != nullptr) {
            popupSurface->Layer().drawMethod = kDrawTransparentBlt;
            popupSurface->Layer().keyOrAlpha = QePopup::kColorKey;
            Grow(copied, QeComposeLayer(*target, *popupSurface));
        }
    }
    if (throughFrame && !IsEmptyRect(copied)) QeDC::Blit(paintDC, frame.dc, copied, copied, SRCCOPY);
    return true;
}

int QePaintMainWindow() {
    if (QeClock* clock = QeClock::Instance()) clock->UpdateFps();
    if (QeSurfacePool* pool = QeSurfacePool::Instance()) pool->FlushPending();
    if (QeUpdateRegion* region = QeUpdateRegion::Instance()) region->Reset();
    QeMainWindow* main = QeMainWindow::Instance();
    QeApplicationBase* application = QeApplicationBase::Instance();
    if (main == nullptr || application == nullptr) return 0;

    QePaintContext context(main->Handle());
    int answer = 0;
    main->StartFrameOnTop(main->paintRect);
    if (context.Valid() && QeWindow::PaintTree(&application->Root())) {
        QeWindow& root = application->Root();
        if (QeComposeFrame(application->Frame(), context.DC(), root.Width(), root.Height())) {
            if (QeInputPanel* panel = QeInputPanel::Instance()) panel->ResetAfterPaint();
            main->EndFrameOnTop(context.DC().Handle());
            answer = 1;
        }
    }
    context.End();
    return answer;
}
