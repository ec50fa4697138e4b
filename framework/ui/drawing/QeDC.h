// Every pixel the program draws passes through QeDC: a device context that remembers what it
// selected and owns what it created, with the fonts and surfaces it draws with.
//
// Rules callers rely on:
//   - a QeDC restores what it replaced: deselecting (or releasing) puts back the font and bitmap
//     that were selected before, and deletes only what was selected as owned;
//   - in every blit an empty extent (right = left or bottom = top) stands for the source bitmap's
//     extent, on the destination side as well as on the source side; equal extents copy, others
//     stretch; a blit without a source bitmap draws nothing;
//   - the four draw methods of the skin are the four blits: 0 Blit, 1 TransparentBlit (colour key),
//     2 AlphaBlit (constant alpha), 3 AlphaBlitPerPixel (premultiplied 32-bit source).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "platform/graphics/gdi.h"

class QeBitmap;

class QeFont {
public:
    // "삼성 고딕": the face of a key that names none.
    static const wchar_t* const kDefaultFace;

    QeFont() = default;
    ~QeFont() { Release(); }
    QeFont(const QeFont&) = delete;
    QeFont& operator=(const QeFont&) = delete;

    // The font of the key's height, weight, italic, underline, strike-out and face.
    bool Create(const FontKey& key);
    void Release();

    const FontKey& Key() const { return m_key; }
    HFONT Handle() const { return m_handle; }

    // Extents already measured in this font, kept by whoever measures text a character at a time
    // (an edit makes a glyph per character, and a transcript makes millions of the same few): a
    // character's extent depends on nothing but the font, so every holder of the pooled font
    // shares them. Forgotten when the font is made again or released.
    struct Extents {
        std::unordered_map<char32_t, SIZE> characters;  // each measured alone
        std::optional<SIZE> empty;                      // of no text: the line's height
    };
    Extents& KnownExtents() { return m_extents; }

private:
    FontKey m_key;
    HFONT m_handle = nullptr;
    Extents m_extents;
};

// How the paint path puts a surface onto the frame (screen rectangles; all zero at first).
struct QeLayer {
    RECT destination = {0, 0, 0, 0};
    RECT source = {0, 0, 0, 0};
    int32_t drawMethod = kDrawBitBlt;
    uint32_t keyOrAlpha = 0;  // colour key for method 1, constant alpha (low byte) for method 2
};

class QeDC {
public:
    enum Kind : int32_t {
        kBorrowed = 0,  // released by nobody (the paint handle)
        kWindow = 1,    // ReleaseDC
        kMemory = 2,    // DeleteDC
    };

    QeDC() = default;
    QeDC(HDC handle, int32_t kind) : m_handle(handle), m_kind(kind) {}
    virtual ~QeDC() { Release(); }
    QeDC(const QeDC&) = delete;
    QeDC& operator=(const QeDC&) = delete;

    // A memory DC compatible with the screen, in place of whatever this one held.
    bool CreateMemoryDC();
    // Deselects font and bitmap (deleting owned ones), then gives the handle back by its kind.
    void Release();

    // Deselects the previous one first; null only deselects. Answers 1, or 0 when the platform
    // refuses the object (an owned one is then deleted and nothing stays selected).
    int SelectFont(QeFont* font, bool owned);
    int SelectBitmap(QeBitmap* bitmap, bool owned);
    QeFont* Font() const { return m_font.object; }
    QeBitmap* Bitmap() const { return m_bitmap.object; }
    // Of the selected font, read when it was selected.
    const TEXTMETRICW& TextMetrics() const { return m_textMetrics; }
    // The selected bitmap's size; 0 without one.
    int32_t Width() const;
    int32_t Height() const;

    // 0 opaque, anything else transparent.
    void SetBackMode(int32_t mode);
    void SetBackColor(COLORREF color);
    void SetTextColor(COLORREF color);
    int32_t BackMode() const { return m_backMode; }
    COLORREF BackColor() const { return m_backColor; }
    COLORREF TextColor() const { return m_textColor; }

    // Limits all drawing through this DC to the rectangle until lifted with null; a stretching
    // blit then draws, inside it, exactly the pixels the whole blit would.
    bool SetClip(const RECT* rect) { return SetClipRect(m_handle, rect) != 0; }

    // Fills the rectangle (empty: the whole bitmap) with the colour; answers 1.
    int FillSolid(COLORREF color, const RECT& rect);
    // Grows with every fill, blit or text run that reaches the pixels of the DC's bitmap.
    uint64_t DrawCount() const { return GetDrawCount(m_handle); }

    static bool Blit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, DWORD rop);
    static bool TransparentBlit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, COLORREF key);
    static bool AlphaBlit(QeDC& destination, QeDC& source, const RECT& to, const RECT& from, BYTE alpha);
    static bool AlphaBlitPerPixel(QeDC& destination, QeDC& source, const RECT& to, const RECT& from);

    SIZE TextExtent(const std::wstring& text);
    // Places the text in the layout rectangle by the TextFormats flags (see PlaceText) and draws it
    // clipped to the clip rectangle; an opaque background fills the clip rectangle first.
    bool DrawText(const std::wstring& text, const RECT& layout, const RECT& clip, uint32_t format);

    HDC Handle() const { return m_handle; }
    int32_t Kind() const { return m_kind; }
    QeLayer& Layer() { return m_layer; }
    const QeLayer& Layer() const { return m_layer; }

private:
    // A font or bitmap selected into the DC and the object it replaced, put back on deselection.
    // What is selected is known by its platform handle, never reused in a run: a font freed and a
    // new one made often share an address (a popup closed and the next opened), and the object
    // last selected may be gone, so its address is neither compared nor read.
    template <class T>
    struct Selection {
        T* object = nullptr;
        bool owned = false;
        HGDIOBJ handle = nullptr;
        HGDIOBJ previous = nullptr;

        // 1, or 0 when the platform refuses the object (an owned one is then deleted).
        int Select(HDC dc, T* next, bool nextOwned) {
            const HGDIOBJ nextHandle = next != nullptr ? next->Handle() : nullptr;
            if ((next == nullptr) == (object == nullptr) && nextHandle == handle) {
                object = next;
                owned = nextOwned;
                return 1;
            }
            // The same object made anew (a new handle) stays alive through its own deselection.
            Deselect(dc, next);
            if (next == nullptr) return 1;
            HGDIOBJ replaced = SelectObject(dc, nextHandle);
            if (replaced == nullptr) {
                if (nextOwned) delete next;
                return 0;
            }
            object = next;
            owned = nextOwned;
            handle = nextHandle;
            previous = replaced;
            return 1;
        }
        void Deselect(HDC dc, const T* keep = nullptr) {
            if (object == nullptr) return;
            if (dc != nullptr && previous != nullptr) SelectObject(dc, previous);
            if (owned && object != keep) delete object;
            object = nullptr;
            owned = false;
            handle = nullptr;
            previous = nullptr;
        }
    };

    HDC m_handle = nullptr;
    int32_t m_kind = kBorrowed;
    QeLayer m_layer;
    Selection<QeFont> m_font;
    TEXTMETRICW m_textMetrics = {};
    Selection<QeBitmap> m_bitmap;
    int32_t m_backMode = 0;
    COLORREF m_backColor = 0xFFFFFF;
    COLORREF m_textColor = 0;
};

// A memory DC that owns a bitmap in the screen's format: a window's own drawing target, the
// application's frame and the back buffer.
class QeSurface : public QeDC {
public:
    bool Create(int32_t width, int32_t height);
    // Fills the whole bitmap.
    int Fill(COLORREF color);

    // A number that changes whenever the pixels may have become another window's: at each Create
    // and each time the pool hands the surface to a window that did not ask for it. A window that
    // builds on its last frame checks it is still looking at that frame; numbers are never reused.
    uint64_t Tenancy() const { return m_tenancy; }
    void NewTenancy();

private:
    uint64_t m_tenancy = 0;
};
