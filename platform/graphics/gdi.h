// Raster drawing: GDI objects, device contexts, bitmaps and blits, all on plain memory. No display
// is needed to draw; the window stand-in shows what lands in its device bitmaps.
//
// Rules that callers may rely on:
// - Handles are numbers that are never reused during a run. A null, stale or wrong kind of handle
//   is refused with the failure answer and nothing is drawn; nothing crashes.
// - GDI objects are counted by selection: DeleteObject of a bitmap or font that is still selected
//   in a DC answers TRUE at once, but the object lives on until it is deselected (or its DC is
//   deleted), so no DC ever points at freed memory. Its handle is refused by SelectObject from the
//   moment it was deleted. Stock objects are never deleted.
// - A bitmap is selected in at most one DC at a time; selecting it into a second one fails.
// - Each DC keeps its own state until changed: the selected bitmap, font and brush, the background
//   mode (OPAQUE), background colour (white) and text colour (black). A new memory DC holds a 1 x 1
//   stock bitmap, so the first SelectObject of a bitmap answers that stock bitmap, which may be
//   selected back.
// - The device format, of compatible bitmaps and of the screen: kDeviceBitsPerPixel bits, the bytes
//   blue, green, red and one unused byte per pixel, top row first, rows of width * 4 bytes. It is
//   one constant for the whole program.
// - New bitmaps are zero-filled (black).
// - Every blit is clipped to the destination bitmap and, for a paint DC, to its region. Source
//   pixels outside the source bitmap leave the destination unchanged. A zero extent draws nothing
//   and succeeds; a negative extent fails.
// - Stretching samples the nearest source pixel to the centre of each destination pixel (a centre
//   exactly on a pixel border takes the pixel left of or above it), in 16.16 fixed point exactly as
//   pixman does, so every stretching call picks the same pixels; a centre that the rounded step
//   carries past the far edge of the source rectangle takes the edge pixel. Stretching blits fail
//   when a coordinate or extent lies beyond +-32767. Bitmaps have at most 32767 pixels a side.
// - Calls may come from any thread; one lock serialises them.
// - Destinations are bitmaps of 16 (555 or 565), 24 or 32 bits per pixel; drawing into a palette
//   bitmap fails. Sources may be any format that CreateDIBSection takes.
#pragma once

#include "platform/win_types.h"

struct HDC__;
using HDC = HDC__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HFONT__;
using HFONT = HFONT__*;
using HGDIOBJ = void*;

inline constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

inline constexpr int kDeviceBitsPerPixel = 32;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // > 0: bottom row first; < 0: top row first
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;

inline constexpr DWORD SRCCOPY = 0x00CC0020;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEFAULT_GUI_FONT = 17;

inline constexpr UINT OBJ_BRUSH = 2;
inline constexpr UINT OBJ_FONT = 6;
inline constexpr UINT OBJ_BITMAP = 7;

// The screen DC, for a null window: it is usable before any window exists and serves as the
// reference for compatible DCs and bitmaps; it has no pixels of its own, so drawing into it draws
// nothing. For a window, the window stand-in's provider answers (SetWindowDcProvider), else null.
// Each call makes a new DC, to be given back with ReleaseDC.
HDC GetDC(HWND window);
// Gives back a DC from GetDC or CreatePaintDC (1); 0 for any other handle.
int ReleaseDC(HWND window, HDC dc);

// A memory DC; the reference DC only has to be a DC or null.
HDC CreateCompatibleDC(HDC reference);
// Deletes a memory or paint DC; what it had selected is deselected (and freed when deleted before).
BOOL DeleteDC(HDC dc);

// Selects a bitmap, font or brush into the DC and answers the one of that kind it replaces; null on
// failure (a bitmap into a DC other than a memory DC, or one selected elsewhere).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
// The object of the kind (OBJ_BITMAP, OBJ_FONT, OBJ_BRUSH) that the DC has selected.
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);

// A bitmap in the device format; width and height at least 1.
HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height);

// A DIB section: 1, 4 or 8 bits with the header's palette (biClrUsed entries, 0 meaning all), 16
// (BI_RGB: 5-5-5; BI_BITFIELDS: any three contiguous masks), 24 or 32 (BI_RGB, or BI_BITFIELDS)
// bits per pixel. The header is read for its first 40 bytes whatever biSize says (at least 40);
// masks follow those 40 bytes, then the palette. biPlanes, biSizeImage and the resolution fields
// are not read. Only DIB_RGB_COLORS is taken. *bits receives the pixels (rows of
// (width * bits + 31) / 32 * 4 bytes, in the header's row order); section and offset must be 0.
HBITMAP CreateDIBSection(HDC reference, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);

// A bitmap over pixels the caller made (in a std::malloc block, rows of width x 4 bytes, top row
// first): a device-format bitmap, or a 32-bit BI_RGB DIB section whose bits *bits receives. The
// bitmap owns the block from the call on, and frees it at once when it cannot be made (null).
HBITMAP CreateBitmapOverPixels(int width, int height, bool device, void* pixels, void** bits);

// Copies from the DIB that info and bits describe (formats as CreateDIBSection) into the DC's
// bitmap. bits holds scan lines [startScan, startScan + lines) in the header's row order; the
// source rectangle has its lower-left corner at (xSrc, ySrc) counted from the bottom row for
// bottom-up DIBs, its top-left corner for top-down ones. Answers the number of lines given, 0 on
// failure.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);

// Only SRCCOPY is taken. A copy inside one bitmap may overlap: it reads everything before writing.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop);

// Draws the source except the pixels that equal the key; stretching is allowed. The source is a DC
// (its selected bitmap) or a bitmap. The comparison is made in the source's own format: blue, green
// and red of 24- and 32-bit pixels (the fourth byte is ignored), the palette colour of palette
// pixels, the key cut down to the masks of 16-bit pixels.
BOOL TransparentImage(HDC dest, int x, int y, int width, int height, HANDLE source, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, COLORREF key);

struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};
inline constexpr BYTE AC_SRC_OVER = 0;
inline constexpr BYTE AC_SRC_ALPHA = 1;

// Source over destination with the constant alpha and, with AC_SRC_ALPHA, each source pixel's own
// premultiplied alpha; stretching is allowed; pixman's arithmetic. Fails and draws nothing when an
// extent is negative, the source rectangle is not inside the source bitmap, source and destination
// are one bitmap with overlapping rectangles, or AC_SRC_ALPHA is asked of a source that is not a
// 32-bit DIB section.
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, int widthSrc,
                int heightSrc, BLENDFUNCTION blend);

// Fills the rectangle with the brush's colour (a null brush fills nothing).
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

// ---- Fonts and text ----
//
// Faces are matched by fontconfig. An empty face name, "삼성 고딕" (the device's own face) and any
// face that is not installed all give the one Korean default face, NanumGothic (fonts-nanum);
// characters a chosen face lacks are taken from the default face too; a visible character that
// face lacks as well shows its box, while a format character (Unicode's Cf: direction marks,
// isolates, joiners, zero-width spaces) shows nothing and takes no width. Glyphs are hinted and
// antialiased: each pixel's coverage blends the text colour over what lies beneath, except on a
// pixel of the colour key 0xFF00FF, which becomes the text colour (coverage of half or more) or
// stays as it is, so text drawn onto a surface later composed with that key leaves no fringe of
// blended key colour. A glyph is rendered once per face and size and kept while a font uses it,
// within a cache of a few megabytes shared by all faces that lets the least recently drawn go.

inline constexpr int LF_FACESIZE = 32;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE HANGUL_CHARSET = 129;

struct LOGFONTW {
    LONG lfHeight;  // > 0: cell height (ascent + descent); < 0: em height; 0: the default, a 16-pixel cell
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;  // 600 and above: bold
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
    LONG tmHeight;  // tmAscent + tmDescent, whole pixels
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

// Null for a null description or when no face at all can be loaded. lfWidth, escapement,
// orientation, character set, precision, quality and pitch are not read.
HFONT CreateFontIndirectW(const LOGFONTW* description);
// Starts reading the system's font configuration on a thread of its own, so that the first font
// made, usually well after the program's start, finds it read. Harmless when called again.
void PrepareFonts();
// Returns once the font configuration is read; reads it on the calling thread when nothing began to.
void WaitForFonts();

// Of the DC's selected font (every DC starts with SYSTEM_FONT, the default face at the default size).
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);

// The extent of the first count characters: the sum of their whole-pixel advances (no kerning) by
// tmHeight. fit (when given) receives how many characters from the start fit within maxExtent;
// dx (when given, count entries) the extent after each character.
BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size);

// Draws the text with its cell's top-left at (x, y) in the text colour, each character advancing by
// its advance or by dx[i] when dx is given. ETO_OPAQUE fills rect with the background colour first;
// ETO_CLIPPED keeps everything inside rect. Without ETO_OPAQUE, an OPAQUE background mode fills the
// text's cell. Underline and strike-out are drawn across the text. No text: only the fill.
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* dx);

// Each answers the previous value (0 or CLR_INVALID for a bad DC; SetBkMode takes only OPAQUE and
// TRANSPARENT).
int SetBkMode(HDC dc, int mode);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF SetTextColor(HDC dc, COLORREF colour);
int GetBkMode(HDC dc);
COLORREF GetBkColor(HDC dc);
COLORREF GetTextColor(HDC dc);

// ---- Platform-internal: for the window stand-in, the tests and the benchmarks ----

// A view of a bitmap's pixels: row y starts at top + y * stride (stride is negative for bottom-up
// DIBs). Valid while the bitmap lives.
struct BitmapPixels {
    BYTE* top;
    int stride;
    int width;
    int height;
    int bitsPerPixel;
};
BOOL GetBitmapPixels(HBITMAP bitmap, BitmapPixels* pixels);
// How many fills, blits and text runs have reached the pixels of the bitmap selected in the DC (or
// a paint DC's target) since the bitmap was made; 0 without one. Tells whether some drawing code
// drew anything at all.
unsigned long long GetDrawCount(HDC dc);

// How many glyphs have been rendered so far. A glyph is rendered once per face, size and character
// and kept while some font of that face and size lives and the cache has room for it.
unsigned long GlyphsRendered();
// The bytes the glyph cache holds now; it never holds much more than its bound, GlyphCacheLimit.
std::size_t GlyphCacheBytes();
std::size_t GlyphCacheLimit();

// A paint DC: draws into the target (a device-format bitmap) clipped to the union of the count
// rectangles (none: nothing is drawn). The target counts as selected while the DC lives, so deleting
// it meanwhile is deferred; several paint DCs may share one target, and it may be selected in a
// memory DC as well. No bitmap can be selected into a paint DC; fonts and state work as in any DC.
// Give it back with ReleaseDC or DeleteDC.
HDC CreatePaintDC(HBITMAP target, const RECT* clip, int count);

// The smallest rectangle around all the DC may draw on (its bitmap, its clip rectangle and, for a
// paint DC, its region): NULLREGION when that is nothing, SIMPLEREGION else; ERROR for a bad handle
// or a DC without pixels.
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
int GetClipBox(HDC dc, RECT* rect);
// The colour of a pixel of a 32-bit bitmap selected in the DC; CLR_INVALID where the DC may not
// draw (see GetClipBox) or for any other bitmap.
COLORREF GetPixel(HDC dc, int x, int y);

// Limits everything drawn through the DC (blits, fills, text) to the rectangle, within a paint
// DC's region; null lifts the limit. A stretching blit keeps its mapping: only the pixels inside
// the rectangle are drawn, each as the whole blit would draw it. FALSE for a bad handle.
BOOL SetClipRect(HDC dc, const RECT* rect);

// How GetDC and ReleaseDC reach windows: the window stand-in installs these once; get answers a DC
// for the window (typically a paint DC over its device bitmap), release (may be null) is told before
// a DC given for a window is deleted.
struct WindowDcProvider {
    HDC (*get)(HWND window);
    void (*release)(HWND window, HDC dc);
};
void SetWindowDcProvider(const WindowDcProvider& provider);
