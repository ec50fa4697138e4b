// The update region and the paint calls: what is due for painting, the paint DC on a window's
// framebuffer, and what the presenter is told was painted.
//
// Rules its callers may rely on (beside those of window.h):
// - InvalidateRect clips to the client area; an empty area adds nothing and makes nothing due.
// - BeginPaint takes the whole update region at once: a DC clipped to it, rcPaint its bounding box;
//   WM_ERASEBKGND is sent first when any invalidation asked for erasing.
// - A window's framebuffer is made on first use at its client size and kept until it is resized
//   or destroyed; EndPaint and the release of a window DC hand the painted area to the presenter.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/screen/presenter.h"
#include "platform/system/crt.h"
#include "platform/system/thread.h"
#include "platform/windows/window.h"
#include "platform/windows/window_table_internal.h"

namespace window_table {

// A device bitmap of the size with its pages already given; null for an empty size or when it
// cannot be made.
HBITMAP NewFramebuffer(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    // The presenter reads a new framebuffer before anything is painted into it. A page read first
    // and written later is faulted twice, the second time with a flush of the mapping on every
    // processor that runs one of the program's threads.
    BitmapPixels pixels{};
    if (bitmap != nullptr && GetBitmapPixels(bitmap, &pixels) && pixels.stride > 0) {
        CommitPages(pixels.top, static_cast<size_t>(pixels.stride) * static_cast<size_t>(pixels.height));
    }
    return bitmap;
}

// Adds the area to the window's update region. The paint falls due when the region stops being
// empty, which places it among the queued messages. Lock held.
void AddUpdate(WindowSystem& system, WindowRecord& record, const RECT& area, bool erase) {
    if (record.update.Empty()) record.paintDue = system.nextStamp++;
    record.update.Add(area);
    if (erase) record.erase = true;
}

}  // namespace window_table

using namespace window_table;

namespace {

HDC WindowDc(HWND window) {
    HBITMAP framebuffer = WindowFramebuffer(window);
    RECT client{};
    if (framebuffer == nullptr || !GetClientRect(window, &client)) return nullptr;
    return CreatePaintDC(framebuffer, &client, 1);
}

void WindowDcReleased(HWND window, HDC dc) {
    // Only what the DC could draw on can have changed.
    RECT client{};
    RECT box{};
    if (!GetClientRect(window, &client) || GetClipBox(dc, &box) != SIMPLEREGION) return;
    const RECT part{std::max(box.left, client.left), std::max(box.top, client.top), std::min(box.right, client.right),
                    std::min(box.bottom, client.bottom)};
    if (part.left < part.right && part.top < part.bottom) CurrentPresenter().Painted(window, part);
}

}  // namespace

void window_table::ProvideWindowDcs() { SetWindowDcProvider(WindowDcProvider{&WindowDc, &WindowDcReleased}); }

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    WindowRecord* record = FindWindowRecord(system, window);
    if (record == nullptr) return FALSE;
    RECT area = record->Client();
    if (rect != nullptr) {
        area.left = std::max(area.left, rect->left);
        area.top = std::max(area.top, rect->top);
        area.right = std::min(area.right, rect->right);
        area.bottom = std::min(area.bottom, rect->bottom);
    }
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    AddUpdate(system, *record, area, erase);
    if (record->visible) {
        if (ThreadQueue* queue = OwnerQueue(system, *record)) queue->wake.notify_all();
    }
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    return WithWindow(window, FALSE, [&](WindowRecord& r) {
        if (rect == nullptr) {
            r.update.Clear();
        } else {
            r.update.Subtract(*rect);
        }
        if (r.update.Empty()) r.erase = false;
        return TRUE;
    });
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL) {
    return WithWindow(window, FALSE, [&](WindowRecord& r) {
        if (rect != nullptr) *rect = r.update.Bounds();
        return r.update.Empty() ? FALSE : TRUE;
    });
}

BOOL UpdateWindow(HWND window) {
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return FALSE;
        if (!record->visible || record->update.Empty()) return TRUE;
    }
    SendMessageW(window, WM_PAINT, 0, 0);
    return TRUE;
}

HBITMAP WindowFramebuffer(HWND window) {
    WindowSystem& system = System();
    int width = 0;
    int height = 0;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr) return nullptr;
        if (record->framebuffer != nullptr) return record->framebuffer;
        width = record->Width();
        height = record->Height();
    }
    HBITMAP made = NewFramebuffer(width, height);
    if (made == nullptr) return nullptr;
    HBITMAP kept = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record != nullptr && record->framebuffer == nullptr && record->Width() == width &&
            record->Height() == height) {
            record->framebuffer = made;
            return made;
        }
        kept = record != nullptr ? record->framebuffer : nullptr;
    }
    DeleteObject(made);  // another thread was quicker, or the window changed meanwhile
    return kept;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (paint == nullptr) return nullptr;
    *paint = PAINTSTRUCT{};
    std::vector<RECT> rects;
    bool erase = false;
    {
        WindowSystem& system = System();
        std::lock_guard<std::mutex> guard(system.lock);
        WindowRecord* record = FindWindowRecord(system, window);
        if (record == nullptr || record->thread != GetCurrentThreadId()) return nullptr;
        rects = record->update.Rects();
        paint->rcPaint = record->update.Bounds();
        erase = record->erase;
        record->update.Clear();
        record->erase = false;
    }
    HBITMAP framebuffer = WindowFramebuffer(window);
    HDC dc = framebuffer != nullptr ? CreatePaintDC(framebuffer, rects.data(), static_cast<int>(rects.size())) : nullptr;
    if (dc == nullptr) {
        paint->rcPaint = RECT{};
        return nullptr;
    }
    paint->hdc = dc;
    if (erase) paint->fErase = SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    if (paint->hdc != nullptr) DeleteDC(paint->hdc);
    const RECT& area = paint->rcPaint;
    if (paint->hdc != nullptr && area.left < area.right && area.top < area.bottom && IsWindow(window)) {
        CurrentPresenter().Painted(window, area);
    }
    return TRUE;
}
