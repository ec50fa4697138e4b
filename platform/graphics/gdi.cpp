#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "platform/graphics/gdi_internal.h"

namespace gdi {
namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, std::unique_ptr<Object>> objects;
    std::uintptr_t next = 0x1000;
    Object* stock[32] = {};
    WindowDcProvider windows{};
};

Table& TheTable() {
    static Table* table = new Table;  // lives to the very end: DCs may be released from static destructors
    return *table;
}

void Destroy(Object* object) {
    auto& objects = TheTable().objects;
    auto it = objects.find(object->handle);
    if (it == objects.end()) return;
    std::unique_ptr<Object> gone = std::move(it->second);
    objects.erase(it);
}

constexpr int kMaxSide = 32767;

// Zero-filled pixels for a layout; false when the byte count is out of reach.
bool AllocatePixels(Bitmap& bitmap) {
    const long long bytes = static_cast<long long>(bitmap.layout.stride) * bitmap.layout.height;
    if (bytes <= 0 || bytes > std::numeric_limits<int>::max()) return false;
    bitmap.bits = static_cast<BYTE*>(std::calloc(static_cast<size_t>(bytes), 1));
    return bitmap.bits != nullptr;
}

// Rows of width x 4 bytes, top row first, BGR in the low three bytes: the device format, and that
// of a 32-bit BI_RGB DIB section made top down.
void LayOut32(PixelLayout& layout, int width, int height) {
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = 32;
    layout.stride = width * 4;
    layout.masks[0] = 0xFF0000;
    layout.masks[1] = 0xFF00;
    layout.masks[2] = 0xFF;
}

Bitmap* NewDeviceBitmap(int width, int height) {
    static_assert(kDeviceBitsPerPixel == 32);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->device = true;
    LayOut32(bitmap->layout, width, height);
    if (!AllocatePixels(*bitmap)) return nullptr;
    Bitmap* raw = bitmap.get();
    Register(std::move(bitmap));
    return raw;
}

Object* StockObject(int index) {
    if (index < 0 || index >= 32) return nullptr;
    Table& table = TheTable();
    if (table.stock[index] != nullptr) return table.stock[index];
    Object* made = nullptr;
    if (index <= NULL_BRUSH) {
        static const COLORREF greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0};
        auto brush = std::make_unique<Brush>();
        brush->colour = greys[index];
        brush->hollow = index == NULL_BRUSH;
        made = brush.get();
        Register(std::move(brush));
    }
    if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) {
        LOGFONTW description{};
        std::unique_ptr<Object> font = MakeFont(description);
        made = font.get();
        Register(std::move(font));
    }
    if (made != nullptr) made->stock = true;
    table.stock[index] = made;
    return made;
}

// The 1 x 1 bitmap that a new memory DC holds.
Bitmap* DefaultBitmap() {
    static Bitmap* bitmap = [] {
        Bitmap* b = NewDeviceBitmap(1, 1);
        b->stock = true;
        return b;
    }();
    return bitmap;
}

Dc* NewDc(DcKind kind) {
    auto dc = std::make_unique<Dc>();
    dc->dcKind = kind;
    pixman_region32_init(&dc->clip);
    dc->brush = static_cast<Brush*>(StockObject(WHITE_BRUSH));
    Selected(dc->brush);
    dc->font = StockObject(SYSTEM_FONT);
    Selected(dc->font);
    if (kind == DcKind::Memory) {
        dc->bitmap = DefaultBitmap();
        Selected(dc->bitmap);
    }
    Dc* raw = dc.get();
    Register(std::move(dc));
    return raw;
}

void DeleteDcLocked(Dc* dc) {
    if (dc->bitmap != nullptr) {
        if (dc->bitmap->selectedIn == dc) dc->bitmap->selectedIn = nullptr;
        Deselected(dc->bitmap);
        dc->bitmap = nullptr;
    }
    if (dc->font != nullptr) Deselected(dc->font);
    if (dc->brush != nullptr) Deselected(dc->brush);
    dc->font = nullptr;
    dc->brush = nullptr;
    Destroy(dc);
}

bool ContiguousMask(std::uint32_t mask) {
    if (mask == 0) return false;
    while ((mask & 1) == 0) mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

}  // namespace

Bitmap::~Bitmap() {
    if (ownsBits) std::free(bits);
}

Dc::~Dc() { pixman_region32_fini(&clip); }

std::mutex& Lock() { return TheTable().lock; }

std::uintptr_t Register(std::unique_ptr<Object> object) {
    Table& table = TheTable();
    const std::uintptr_t handle = table.next++;
    object->handle = handle;
    table.objects.emplace(handle, std::move(object));
    return handle;
}

Object* Find(const void* handle) {
    auto& objects = TheTable().objects;
    auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == objects.end() ? nullptr : it->second.get();
}

void Selected(Object* object) { ++object->selections; }

void Deselected(Object* object) {
    if (--object->selections == 0 && object->deleted) Destroy(object);
}

bool ReadDibHeader(const BITMAPINFO* info, UINT usage, PixelLayout& layout) {
    if (info == nullptr || usage != DIB_RGB_COLORS) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, info, sizeof header);
    if (header.biSize < sizeof header) return false;
    if (header.biWidth <= 0 || header.biWidth > kMaxSide || header.biHeight == 0 ||
        header.biHeight < -kMaxSide || header.biHeight > kMaxSide)
        return false;
    layout.width = header.biWidth;
    layout.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    layout.topDown = header.biHeight < 0;
    layout.bitsPerPixel = header.biBitCount;
    layout.palette.clear();
    const BYTE* after = reinterpret_cast<const BYTE*>(info) + sizeof header;
    std::uint32_t* masks = layout.masks;
    switch (header.biBitCount) {
    case 1:
    case 4:
    case 8: {
        if (header.biCompression != BI_RGB) return false;
        const DWORD all = 1u << header.biBitCount;
        const DWORD count = header.biClrUsed == 0 || header.biClrUsed > all ? all : header.biClrUsed;
        layout.palette.resize(count);
        for (DWORD i = 0; i < count; ++i) {
            std::uint32_t entry;
            std::memcpy(&entry, after + 4 * i, 4);
            layout.palette[i] = entry & 0xFFFFFF;
        }
        masks[0] = masks[1] = masks[2] = 0;
        break;
    }
    case 16:
    case 32:
        if (header.biCompression == BI_RGB) {
            const bool wide = header.biBitCount == 32;
            masks[0] = wide ? 0xFF0000 : 0x7C00;
            masks[1] = wide ? 0xFF00 : 0x3E0;
            masks[2] = wide ? 0xFF : 0x1F;
        } else if (header.biCompression == BI_BITFIELDS) {
            std::memcpy(masks, after, 12);
            const std::uint32_t limit = header.biBitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
            for (int i = 0; i < 3; ++i)
                if (!ContiguousMask(masks[i]) || (masks[i] & ~limit) != 0) return false;
            if ((masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0) return false;
        } else {
            return false;
        }
        break;
    case 24:
        if (header.biCompression != BI_RGB) return false;
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
        break;
    default:
        return false;
    }
    layout.stride = static_cast<int>((static_cast<long long>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4);
    return static_cast<long long>(layout.stride) * layout.height <= std::numeric_limits<int>::max();
}

pixman_format_code_t NativeFormat(const Bitmap& bitmap, bool withAlpha) {
    const PixelLayout& l = bitmap.layout;
    const std::uint32_t r = l.masks[0], g = l.masks[1], b = l.masks[2];
    switch (l.bitsPerPixel) {
    case 32:
        if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return withAlpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8;
        if (r == 0xFF && g == 0xFF00 && b == 0xFF0000) return withAlpha ? PIXMAN_a8b8g8r8 : PIXMAN_x8b8g8r8;
        break;
    case 24:
        return PIXMAN_r8g8b8;
    case 16:
        if (r == 0x7C00 && g == 0x3E0 && b == 0x1F) return PIXMAN_x1r5g5b5;
        if (r == 0xF800 && g == 0x7E0 && b == 0x1F) return PIXMAN_r5g6b5;
        break;
    default:
        break;
    }
    return static_cast<pixman_format_code_t>(0);
}

std::uint32_t PackColour(const PixelLayout& layout, COLORREF colour) {
    const BYTE parts[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    std::uint32_t value = 0, used = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t mask = layout.masks[i];
        if (mask == 0) continue;
        const int n = __builtin_popcount(mask);
        const std::uint32_t v = n <= 8 ? parts[i] >> (8 - n) : static_cast<std::uint32_t>(parts[i]) << (n - 8);
        value |= (v << __builtin_ctz(mask)) & mask;
        used |= mask;
    }
    return layout.bitsPerPixel == 32 ? value | (~used & 0xFF000000) : value;
}

pixman_image_t* WrapImage(const Bitmap& bitmap, pixman_format_code_t format) {
    return pixman_image_create_bits(format, bitmap.layout.width, bitmap.layout.height,
                                    reinterpret_cast<std::uint32_t*>(bitmap.Row(0)), bitmap.RowStep());
}

bool FillSolid(Dc& dc, long long x0, long long y0, long long x1, long long y1, COLORREF colour) {
    if (dc.bitmap == nullptr) return true;
    const pixman_format_code_t format = NativeFormat(*dc.bitmap, false);
    if (format == 0) return false;
    pixman_image_t* image = WrapImage(*dc.bitmap, format);
    if (image == nullptr) return false;
    const pixman_color_t c{static_cast<std::uint16_t>(GetRValue(colour) * 257),
                           static_cast<std::uint16_t>(GetGValue(colour) * 257),
                           static_cast<std::uint16_t>(GetBValue(colour) * 257), 0xFFFF};
    std::vector<pixman_box32_t> boxes;
    ForEachBox(dc, x0, y0, x1, y1, [&](int bx0, int by0, int bx1, int by1) {
        boxes.push_back(pixman_box32_t{bx0, by0, bx1, by1});
    });
    if (!boxes.empty())
        pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &c, static_cast<int>(boxes.size()), boxes.data());
    pixman_image_unref(image);
    return true;
}

}  // namespace gdi

using namespace gdi;

HDC GetDC(HWND window) {
    if (window != nullptr) {
        WindowDcProvider provider;
        {
            std::lock_guard<std::mutex> guard(Lock());
            provider = TheTable().windows;
        }
        if (provider.get == nullptr) return nullptr;
        HDC dc = provider.get(window);
        std::lock_guard<std::mutex> guard(Lock());
        if (Dc* d = FindAs<Dc>(dc, Kind::Dc)) d->window = window;
        return dc;
    }
    std::lock_guard<std::mutex> guard(Lock());
    return reinterpret_cast<HDC>(NewDc(DcKind::Screen)->handle);
}

int ReleaseDC(HWND window, HDC dc) {
    WindowDcProvider provider;
    {
        std::lock_guard<std::mutex> guard(Lock());
        Dc* d = FindAs<Dc>(dc, Kind::Dc);
        if (d == nullptr || d->dcKind == DcKind::Memory) return 0;
        provider = TheTable().windows;
        if (d->window == nullptr || d->window != window) provider.release = nullptr;
    }
    if (provider.release != nullptr) provider.release(window, dc);
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr) return 0;
    DeleteDcLocked(d);
    return 1;
}

HDC CreateCompatibleDC(HDC reference) {
    std::lock_guard<std::mutex> guard(Lock());
    if (reference != nullptr && FindAs<Dc>(reference, Kind::Dc) == nullptr) return nullptr;
    return reinterpret_cast<HDC>(NewDc(DcKind::Memory)->handle);
}

BOOL DeleteDC(HDC dc) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr) return FALSE;
    DeleteDcLocked(d);
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    Object* o = Find(object);
    if (d == nullptr || o == nullptr || o->deleted) return nullptr;
    Object** slot = nullptr;
    switch (o->kind) {
    case Kind::Bitmap: {
        auto* bitmap = static_cast<Bitmap*>(o);
        if (d->dcKind != DcKind::Memory) return nullptr;
        if (bitmap->selectedIn != nullptr && bitmap->selectedIn != d) return nullptr;
        Bitmap* old = d->bitmap;
        if (old == bitmap) return object;
        // The stock bitmap sits in every new DC at once.
        if (!bitmap->stock) bitmap->selectedIn = d;
        Selected(bitmap);
        d->bitmap = bitmap;
        if (old->selectedIn == d) old->selectedIn = nullptr;
        const HGDIOBJ answer = reinterpret_cast<HGDIOBJ>(old->handle);
        Deselected(old);
        return answer;
    }
    case Kind::Font:
        slot = &d->font;
        break;
    case Kind::Brush:
        slot = reinterpret_cast<Object**>(&d->brush);
        break;
    case Kind::Dc:
        return nullptr;
    }
    Object* old = *slot;
    Selected(o);
    *slot = o;
    if (old == nullptr) return nullptr;
    const HGDIOBJ answer = reinterpret_cast<HGDIOBJ>(old->handle);
    Deselected(old);
    return answer;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(Lock());
    Object* o = Find(object);
    if (o == nullptr || o->kind == Kind::Dc || o->deleted) return FALSE;
    if (o->stock) return TRUE;
    o->deleted = true;
    if (o->selections == 0) Destroy(o);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    std::lock_guard<std::mutex> guard(Lock());
    Object* o = StockObject(index);
    return o == nullptr ? nullptr : reinterpret_cast<HGDIOBJ>(o->handle);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr) return nullptr;
    const Object* o = kind == OBJ_BITMAP ? static_cast<Object*>(d->bitmap)
                      : kind == OBJ_FONT ? d->font
                      : kind == OBJ_BRUSH ? static_cast<Object*>(d->brush)
                                          : nullptr;
    return o == nullptr ? nullptr : reinterpret_cast<HGDIOBJ>(o->handle);
}

HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height) {
    std::lock_guard<std::mutex> guard(Lock());
    if (FindAs<Dc>(reference, Kind::Dc) == nullptr) return nullptr;
    Bitmap* bitmap = NewDeviceBitmap(width, height);
    return bitmap == nullptr ? nullptr : reinterpret_cast<HBITMAP>(bitmap->handle);
}

HBITMAP CreateBitmapOverPixels(int width, int height, bool device, void* pixels, void** bits) {
    if (bits != nullptr) *bits = nullptr;
    std::unique_ptr<BYTE, void (*)(void*)> owned(static_cast<BYTE*>(pixels), &std::free);
    if (owned == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    LayOut32(bitmap->layout, width, height);
    bitmap->device = device;
    bitmap->bits = owned.release();
    std::lock_guard<std::mutex> guard(Lock());
    if (bits != nullptr && !device) *bits = bitmap->bits;
    return reinterpret_cast<HBITMAP>(Register(std::move(bitmap)));
}

HBITMAP CreateDIBSection(HDC reference, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits != nullptr) *bits = nullptr;
    std::lock_guard<std::mutex> guard(Lock());
    if (reference != nullptr && FindAs<Dc>(reference, Kind::Dc) == nullptr) return nullptr;
    if (section != nullptr || offset != 0) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    if (!ReadDibHeader(info, usage, bitmap->layout) || !AllocatePixels(*bitmap)) return nullptr;
    if (bits != nullptr) *bits = bitmap->bits;
    return reinterpret_cast<HBITMAP>(Register(std::move(bitmap)));
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    const Brush* b = FindAs<Brush>(brush, Kind::Brush);
    if (d == nullptr || b == nullptr || rect == nullptr) return 0;
    return b->hollow || FillSolid(*d, rect->left, rect->top, rect->right, rect->bottom, b->colour) ? 1 : 0;
}

BOOL GetBitmapPixels(HBITMAP bitmap, BitmapPixels* pixels) {
    std::lock_guard<std::mutex> guard(Lock());
    const Bitmap* b = FindAs<Bitmap>(bitmap, Kind::Bitmap);
    if (b == nullptr || pixels == nullptr) return FALSE;
    *pixels = BitmapPixels{b->Row(0), b->RowStep(), b->layout.width, b->layout.height, b->layout.bitsPerPixel};
    return TRUE;
}

unsigned long long GetDrawCount(HDC dc) {
    std::lock_guard<std::mutex> guard(Lock());
    const Dc* d = FindAs<Dc>(dc, Kind::Dc);
    return d != nullptr && d->bitmap != nullptr ? d->bitmap->draws : 0;
}

HDC CreatePaintDC(HBITMAP target, const RECT* clip, int count) {
    std::lock_guard<std::mutex> guard(Lock());
    Bitmap* b = FindAs<Bitmap>(target, Kind::Bitmap);
    if (b == nullptr || !b->device || b->stock || count < 0 || (count > 0 && clip == nullptr)) return nullptr;
    Dc* dc = NewDc(DcKind::Paint);
    dc->clipped = true;
    for (int i = 0; i < count; ++i) {
        // Only the part on the bitmap matters, which keeps the region's numbers small.
        const int x0 = std::max<LONG>(clip[i].left, 0), y0 = std::max<LONG>(clip[i].top, 0);
        const int x1 = std::min<LONG>(clip[i].right, b->layout.width);
        const int y1 = std::min<LONG>(clip[i].bottom, b->layout.height);
        if (x0 >= x1 || y0 >= y1) continue;
        pixman_region32_union_rect(&dc->clip, &dc->clip, x0, y0, static_cast<unsigned>(x1 - x0),
                                   static_cast<unsigned>(y1 - y0));
    }
    dc->bitmap = b;
    Selected(b);
    return reinterpret_cast<HDC>(dc->handle);
}

BOOL SetClipRect(HDC dc, const RECT* rect) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr) return FALSE;
    d->limited = rect != nullptr;
    if (rect != nullptr) d->limit = *rect;
    return TRUE;
}

int GetClipBox(HDC dc, RECT* rect) {
    std::lock_guard<std::mutex> guard(Lock());
    const Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr || d->bitmap == nullptr || rect == nullptr) return ERROR;
    RECT box{0, 0, 0, 0};
    bool any = false;
    const auto grow = [&](int x0, int y0, int x1, int y1) {
        box = any ? RECT{std::min<LONG>(box.left, x0), std::min<LONG>(box.top, y0), std::max<LONG>(box.right, x1),
                         std::max<LONG>(box.bottom, y1)}
                  : RECT{x0, y0, x1, y1};
        any = true;
    };
    // ForEachBox counts a draw for what it visits; looking is not drawing.
    const unsigned long long draws = d->bitmap->draws;
    ForEachBox(*d, 0, 0, d->bitmap->layout.width, d->bitmap->layout.height, grow);
    d->bitmap->draws = draws;
    *rect = box;
    return any ? SIMPLEREGION : NULLREGION;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    std::lock_guard<std::mutex> guard(Lock());
    const Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr || d->bitmap == nullptr) return CLR_INVALID;
    const PixelLayout& layout = d->bitmap->layout;
    const bool plain = layout.masks[0] == 0 || (layout.masks[0] == 0x00FF0000u && layout.masks[1] == 0x0000FF00u &&
                                                layout.masks[2] == 0x000000FFu);
    if (layout.bitsPerPixel != 32 || !plain) return CLR_INVALID;
    bool inside = false;
    const unsigned long long draws = d->bitmap->draws;
    ForEachBox(*d, x, y, static_cast<long long>(x) + 1, static_cast<long long>(y) + 1, [&](int, int, int, int) { inside = true; });
    d->bitmap->draws = draws;
    if (!inside) return CLR_INVALID;
    const BYTE* p = d->bitmap->Row(y) + static_cast<std::ptrdiff_t>(x) * 4;
    return RGB(p[2], p[1], p[0]);
}

void SetWindowDcProvider(const WindowDcProvider& provider) {
    std::lock_guard<std::mutex> guard(Lock());
    TheTable().windows = provider;
}
