// Fonts and text: fontconfig finds the face, FreeType renders hinted grey-level glyphs, and
// each glyph is kept per face and size (a strike) while some font uses that strike and the shared
// cache has room for it.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <strings.h>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/graphics/gdi_internal.h"
#include "platform/system/text.h"

namespace gdi {
namespace {

constexpr char kDefaultFamily[] = "NanumGothic";
constexpr wchar_t kDeviceFace[] = L"삼성 고딕";
constexpr int kDefaultCellHeight = 16;
constexpr int kMaxHeight = 2048;
// A few megabytes of rendered glyphs: some thousands of Korean characters at the sizes drawn.
constexpr size_t kGlyphCacheBytes = 4u << 20;

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return library;
}

struct Glyph {
    int left = 0;  // ink's offset from the pen
    int top = 0;   // ink's top above the baseline
    int width = 0;
    int height = 0;
    int advance = 0;
    std::vector<BYTE> ink;  // width * height coverage, 0 (none) to 255 (the text colour)
};

// What a face file says about its size, in font units; read once per face.
struct FaceInfo {
    int unitsPerEm = 0;
    int ascent = 0;
    int descent = 0;
    int underlinePosition = 0;  // below the baseline
    int underlineThickness = 0;
    int strikePosition = 0;  // above the baseline
    int strikeThickness = 0;
    int maxAdvance = 0;
};

unsigned long g_glyphsRendered = 0;  // under Lock()

// The format characters (Unicode's category Cf, as of 15.0): marks that steer direction, joining or
// breaking and show nothing themselves. Peers put them into names and messages; a face that lacks
// one would otherwise draw its box.
constexpr std::pair<char32_t, char32_t> kFormatCharacters[] = {
    {0xAD, 0xAD},         {0x600, 0x605},       {0x61C, 0x61C},     {0x6DD, 0x6DD},     {0x70F, 0x70F},
    {0x890, 0x891},       {0x8E2, 0x8E2},       {0x180E, 0x180E},   {0x200B, 0x200F},   {0x202A, 0x202E},
    {0x2060, 0x2064},     {0x2066, 0x206F},     {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD},   {0x13430, 0x1343F},   {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

bool IsFormatCharacter(char32_t c) {
    if (c < 0xAD) return false;
    const auto after = std::upper_bound(std::begin(kFormatCharacters), std::end(kFormatCharacters), c,
                                        [](char32_t value, const auto& range) { return value < range.first; });
    return after != std::begin(kFormatCharacters) && c <= std::prev(after)->second;
}

struct Strike;
// FT_Done_Face, then the face's file closed (OpenFace).
void CloseFace(FT_Face face);

// A face open for as long as some strike uses it.
struct OpenedFace {
    FT_Face face = nullptr;
    ~OpenedFace() { CloseFace(face); }
};

// One cached glyph's place in the use order, most recently used first.
struct GlyphUse {
    Strike* strike;
    char32_t character;
    size_t bytes;
};

// Every strike's glyphs share one budget: other users' names and messages may bring any number of
// distinct characters, and the least recently drawn go first.
struct GlyphCache {
    std::list<GlyphUse> uses;
    size_t bytes = 0;
};

GlyphCache& TheGlyphCache() {
    static GlyphCache* cache = new GlyphCache;  // outlives the fonts freed at exit
    return *cache;
}

struct Strike {
    struct Entry {
        Glyph glyph;
        std::list<GlyphUse>::iterator use;
    };

    // One face per font file serves every size of it, each strike with a size object of its own:
    // a face holds the file's tables (megabytes for a Korean face), a size only its scaling.
    std::shared_ptr<OpenedFace> opened;
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool syntheticBold = false;
    bool syntheticItalic = false;
    std::shared_ptr<Strike> fallback;  // the default face at the same size, for missing characters
    std::unordered_map<char32_t, Entry> glyphs;

    ~Strike() {
        GlyphCache& cache = TheGlyphCache();
        for (auto& [c, entry] : glyphs) {
            cache.bytes -= entry.use->bytes;
            cache.uses.erase(entry.use);
        }
        if (size != nullptr) FT_Done_Size(size);
    }

    // The reference holds until the next Get on any strike, which may evict it. A format character
    // is no glyph at all: no ink and no advance.
    const Glyph& Get(char32_t c) {
        static const Glyph kNothing;
        if (IsFormatCharacter(c)) return kNothing;
        GlyphCache& cache = TheGlyphCache();
        auto it = glyphs.find(c);
        if (it != glyphs.end()) {
            cache.uses.splice(cache.uses.begin(), cache.uses, it->second.use);
            return it->second.glyph;
        }
        Glyph g;
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (index == 0 && fallback != nullptr) {
            g = fallback->Get(c);
        } else {
            Render(index, g);
        }
        const size_t bytes = sizeof(Entry) + sizeof(GlyphUse) + 4 * sizeof(void*) + g.ink.size();
        cache.uses.push_front(GlyphUse{this, c, bytes});
        cache.bytes += bytes;
        Entry& entry = glyphs.emplace(c, Entry{std::move(g), cache.uses.begin()}).first->second;
        // The newest stays, however large.
        while (cache.bytes > kGlyphCacheBytes && cache.uses.size() > 1) {
            const GlyphUse oldest = cache.uses.back();
            cache.uses.pop_back();
            cache.bytes -= oldest.bytes;
            oldest.strike->glyphs.erase(oldest.character);
        }
        return entry.glyph;
    }

private:
    void Render(FT_UInt index, Glyph& g) {
        // The face is shared: this strike's size and slant are put on it for each glyph.
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
        FT_Set_Transform(face, syntheticItalic ? &shear : nullptr, nullptr);
        if (FT_Activate_Size(size) != 0 || FT_Load_Glyph(face, index, FT_LOAD_TARGET_NORMAL) != 0) return;
        ++g_glyphsRendered;
        FT_GlyphSlot slot = face->glyph;
        if (syntheticBold) FT_GlyphSlot_Embolden(slot);
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 || slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
        const FT_Bitmap& b = slot->bitmap;
        const unsigned levels = b.num_grays > 1 ? static_cast<unsigned>(b.num_grays) - 1 : 1;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(b.width);
        g.height = static_cast<int>(b.rows);
        g.ink.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
        for (int y = 0; y < g.height; ++y) {
            const unsigned char* row = b.buffer + static_cast<std::ptrdiff_t>(y) * b.pitch;
            for (int x = 0; x < g.width; ++x)
                g.ink[static_cast<size_t>(y * g.width + x)] =
                    static_cast<BYTE>(levels == 255 ? row[x] : std::min(255u, row[x] * 255u / levels));
        }
    }
};

struct FaceMatch {
    std::string file;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

using MatchKey = std::tuple<std::string, bool, bool, bool>;
using MatchAnswer = std::pair<bool, FaceMatch>;

// The default face's upright answers, asked on the thread that reads the font configuration once
// it has read it: every screen's text asks for them first. Written before that thread's result is
// given, read only after it was waited for.
std::vector<std::pair<MatchKey, MatchAnswer>>& AskedAhead() {
    static auto* asked = new std::vector<std::pair<MatchKey, MatchAnswer>>;
    return *asked;
}

struct Registry {
    bool fontconfigReady = false;
    std::map<std::pair<std::string, int>, FaceInfo> infos;
    std::map<std::tuple<std::string, int, int, bool, bool>, std::weak_ptr<Strike>> strikes;
    std::map<std::pair<std::string, int>, std::weak_ptr<OpenedFace>> faces;
    // fontconfig's answers by family, bold, italic and exactness: every size of a style asks the
    // same question, and each answer costs a substitution and a match over all installed faces.
    std::map<MatchKey, MatchAnswer> matches;
};

// Reading the configuration parses dozens of files and takes longer than anything else a first
// screen does; it runs beside the program's start when PrepareFonts asked for it in time.
std::shared_future<bool>& FontconfigStart() {
    static auto* start = new std::shared_future<bool>;
    return *start;
}

std::mutex& FontconfigLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

bool FontconfigReady() {
    std::shared_future<bool> start;
    {
        std::lock_guard<std::mutex> guard(FontconfigLock());
        if (!FontconfigStart().valid()) {
            FontconfigStart() = std::async(std::launch::deferred, [] { return FcInit() == FcTrue; });
        }
        start = FontconfigStart();
    }
    return start.get();
}

Registry& TheRegistry() {
    static Registry* registry = [] {
        auto* r = new Registry;
        r->fontconfigReady = FontconfigReady();
        if (r->fontconfigReady) r->matches.insert(AskedAhead().begin(), AskedAhead().end());
        return r;
    }();
    return *registry;
}

// fontconfig's best face for the family; with exact, only a face of that very family.
bool AskFontconfig(const std::string& family, bool bold, bool italic, bool exact, FaceMatch& out) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    bool found = !exact;
    FcChar8* name = nullptr;
    for (int i = 0; !found && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        found = strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0;
    FcChar8* file = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, index = 0;
    found = found && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        // fontconfig's own synthesis rules report an upright face as oblique (with a shear matrix)
        // and a light face as bold (with embolden); those faces still need our synthetic style.
        FcBool embolden = FcFalse;
        FcMatrix* shear = nullptr;
        const bool emboldened = FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden;
        const bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &shear) == FcResultMatch && shear->xy != 0;
        out = FaceMatch{reinterpret_cast<const char*>(file), index, weight >= FC_WEIGHT_DEMIBOLD && !emboldened,
                        slant != FC_SLANT_ROMAN && !sheared};
    }
    FcPatternDestroy(match);
    return found;
}

bool MatchFace(const std::string& family, bool bold, bool italic, bool exact, FaceMatch& out) {
    Registry& registry = TheRegistry();
    if (!registry.fontconfigReady) return false;
    const auto key = std::make_tuple(family, bold, italic, exact);
    auto known = registry.matches.find(key);
    if (known == registry.matches.end()) {
        MatchAnswer answer;
        answer.first = AskFontconfig(family, bold, italic, exact, answer.second);
        known = registry.matches.emplace(key, answer).first;
    }
    if (known->second.first) out = known->second.second;
    return known->second.first;
}

bool DefaultFace(bool bold, bool italic, FaceMatch& out) {
    return MatchFace(kDefaultFamily, bold, italic, true, out) || MatchFace(kDefaultFamily, bold, italic, false, out);
}

// The last few blocks of a face's file that were read. A glyph is a few reads of a few bytes each:
// its place in the index, then its outline, each of them near the last glyph's.
class FaceBlocks {
public:
    explicit FaceBlocks(int file) : m_file(file) {}

    // Like pread of the file; the bytes read, 0 at the end or on an error.
    unsigned long Read(unsigned long offset, unsigned char* buffer, unsigned long count) {
        unsigned long done = 0;
        while (done < count) {
            const unsigned long at = offset + done;
            const Block* block = Find(at - at % kBlockBytes);
            if (block == nullptr || at >= block->start + block->filled) break;
            const unsigned long part = std::min(count - done, block->start + block->filled - at);
            std::memcpy(buffer + done, block->bytes.data() + (at - block->start), part);
            done += part;
        }
        return done;
    }

private:
    static constexpr unsigned long kBlockBytes = 4096;
    static constexpr size_t kBlocks = 4;

    struct Block {
        unsigned long start = 0;
        unsigned long filled = 0;
        unsigned long lastUse = 0;
        std::vector<unsigned char> bytes;
    };

    // The block starting at `start`, read now when it is not held (in place of the one used
    // longest ago); null when the file cannot be read there.
    const Block* Find(unsigned long start) {
        ++m_uses;
        Block* oldest = &m_blocks[0];
        for (Block& block : m_blocks) {
            if (!block.bytes.empty() && block.start == start) {
                block.lastUse = m_uses;
                return &block;
            }
            if (block.lastUse < oldest->lastUse) oldest = &block;
        }
        oldest->bytes.resize(kBlockBytes);
        const ssize_t got = pread(m_file, oldest->bytes.data(), kBlockBytes, static_cast<off_t>(start));
        if (got <= 0) {
            oldest->bytes.clear();
            return nullptr;
        }
        oldest->start = start;
        oldest->filled = static_cast<unsigned long>(got);
        oldest->lastUse = m_uses;
        return oldest;
    }

    const int m_file;
    unsigned long m_uses = 0;
    Block m_blocks[kBlocks];
};

// Faces read their file through positioned reads rather than a mapping of the whole file: a
// Korean face is megabytes, and the glyphs a screen shows lie all over it, so a mapping ends up
// resident nearly whole while reads keep only the tables and the glyphs drawn. Small reads go
// through the face's few blocks; a table read whole goes straight to the file.
unsigned long ReadFaceFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    if (count == 0) return 0;  // a seek: every read names its offset
    if (count < 256) return static_cast<FaceBlocks*>(stream->pathname.pointer)->Read(offset, buffer, count);
    const ssize_t got = pread(static_cast<int>(stream->descriptor.value), buffer, count, static_cast<off_t>(offset));
    return got > 0 ? static_cast<unsigned long>(got) : 0;
}

// The stream of a face's file, with the file's blocks.
FT_Stream NewFaceStream(int file, unsigned long size) {
    auto* stream = new FT_StreamRec{};
    stream->descriptor.value = file;
    stream->pathname.pointer = new FaceBlocks(file);
    stream->size = size;
    stream->read = &ReadFaceFile;
    return stream;
}

// Closes the file too.
void DeleteFaceStream(FT_Stream stream) {
    close(static_cast<int>(stream->descriptor.value));
    delete static_cast<FaceBlocks*>(stream->pathname.pointer);
    delete stream;
}

void CloseFace(FT_Face face) {
    if (face == nullptr) return;
    FT_Stream stream = face->stream;
    FT_Done_Face(face);
    if (stream != nullptr) DeleteFaceStream(stream);
}

FT_Face OpenFace(const FaceMatch& m) {
    if (Library() == nullptr) return nullptr;
    const int file = open(m.file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (file < 0 || fstat(file, &info) != 0) {
        if (file >= 0) close(file);
        return nullptr;
    }
    FT_Stream stream = NewFaceStream(file, static_cast<unsigned long>(info.st_size));
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream;
    FT_Face face = nullptr;
    if (FT_Open_Face(Library(), &args, m.index, &face) != 0) {
        DeleteFaceStream(stream);
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        CloseFace(face);
        return nullptr;
    }
    return face;
}

const FaceInfo* InfoOf(const FaceMatch& m) {
    auto& infos = TheRegistry().infos;
    const auto key = std::make_pair(m.file, m.index);
    auto it = infos.find(key);
    if (it != infos.end()) return &it->second;
    FT_Face face = OpenFace(m);
    if (face == nullptr) return nullptr;
    FaceInfo info;
    info.unitsPerEm = face->units_per_EM;
    info.ascent = face->ascender;
    info.descent = -face->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        info.ascent = os2->usWinAscent;
        info.descent = os2->usWinDescent;
    }
    info.underlinePosition = -face->underline_position;
    info.underlineThickness = face->underline_thickness;
    if (os2 != nullptr && os2->yStrikeoutSize > 0) {
        info.strikePosition = os2->yStrikeoutPosition;
        info.strikeThickness = os2->yStrikeoutSize;
    } else {
        info.strikePosition = info.ascent * 3 / 10;
        info.strikeThickness = info.underlineThickness;
    }
    info.maxAdvance = face->max_advance_width;
    CloseFace(face);
    if (info.ascent + info.descent <= 0) return nullptr;
    return &infos.emplace(key, info).first->second;
}

std::shared_ptr<Strike> StrikeOf(const FaceMatch& m, int ppem, bool syntheticBold, bool syntheticItalic) {
    auto& strikes = TheRegistry().strikes;
    const auto key = std::make_tuple(m.file, m.index, ppem, syntheticBold, syntheticItalic);
    auto it = strikes.find(key);
    if (it != strikes.end())
        if (std::shared_ptr<Strike> alive = it->second.lock()) return alive;
    auto strike = std::make_shared<Strike>();
    std::weak_ptr<OpenedFace>& shared = TheRegistry().faces[std::make_pair(m.file, m.index)];
    strike->opened = shared.lock();
    if (strike->opened == nullptr) {
        auto opened = std::make_shared<OpenedFace>();
        opened->face = OpenFace(m);
        if (opened->face == nullptr) return nullptr;
        shared = opened;
        strike->opened = opened;
    }
    strike->face = strike->opened->face;
    if (FT_New_Size(strike->face, &strike->size) != 0) return nullptr;
    if (FT_Activate_Size(strike->size) != 0 || FT_Set_Pixel_Sizes(strike->face, 0, static_cast<FT_UInt>(ppem)) != 0)
        return nullptr;
    strike->syntheticBold = syntheticBold;
    strike->syntheticItalic = syntheticItalic;
    strikes[key] = strike;
    return strike;
}

int Scale(long long units, int ppem, int unitsPerEm) {
    return static_cast<int>(std::lround(static_cast<double>(units) * ppem / unitsPerEm));
}

}  // namespace

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTW description{};
    bool tried = false;
    std::shared_ptr<Strike> strike;
    int ascent = 0;
    int descent = 0;
    int ppem = 0;
    int maxAdvance = 0;
    int underlinePosition = 0, underlineThickness = 1;  // pixels below the baseline
    int strikePosition = 0, strikeThickness = 1;        // pixels above the baseline

    // Finds the face and size once; false when no face can be had.
    bool Resolve() {
        if (tried) return strike != nullptr;
        tried = true;
        const LONG height = description.lfHeight;
        if (height < -kMaxHeight || height > kMaxHeight) return false;
        std::wstring name;
        for (int i = 0; i < LF_FACESIZE && description.lfFaceName[i] != 0; ++i) name += description.lfFaceName[i];
        const bool bold = description.lfWeight >= 600, italic = description.lfItalic != 0;
        FaceMatch wanted, fallback;
        if (!DefaultFace(bold, italic, fallback)) return false;
        const bool chosen =
            !name.empty() && name != kDeviceFace && MatchFace(TextWideToUtf8(name), bold, italic, true, wanted);
        if (!chosen) wanted = fallback;
        const FaceInfo* info = InfoOf(wanted);
        if (info == nullptr) return false;
        const int cell = height == 0 ? kDefaultCellHeight : height;
        const int total = info->ascent + info->descent;
        if (cell > 0) {
            ppem = std::max(1, Scale(cell, info->unitsPerEm, total));
            ascent = Scale(info->ascent, cell, total);
            descent = cell - ascent;
        } else {
            ppem = -cell;
            ascent = Scale(info->ascent, ppem, info->unitsPerEm);
            descent = Scale(info->descent, ppem, info->unitsPerEm);
        }
        underlinePosition = Scale(info->underlinePosition, ppem, info->unitsPerEm);
        underlineThickness = std::max(1, Scale(info->underlineThickness, ppem, info->unitsPerEm));
        strikePosition = Scale(info->strikePosition, ppem, info->unitsPerEm);
        strikeThickness = std::max(1, Scale(info->strikeThickness, ppem, info->unitsPerEm));
        maxAdvance = Scale(info->maxAdvance, ppem, info->unitsPerEm);
        strike = StrikeOf(wanted, ppem, bold && !wanted.bold, italic && !wanted.italic);
        if (strike != nullptr && chosen && wanted.file != fallback.file)
            strike->fallback = StrikeOf(fallback, ppem, bold && !fallback.bold, italic && !fallback.italic);
        return strike != nullptr;
    }
};

std::unique_ptr<Object> MakeFont(const LOGFONTW& description) {
    auto font = std::make_unique<Font>();
    font->description = description;
    return font;
}

namespace {

Font* FontOf(const Dc& dc) {
    auto* font = static_cast<Font*>(dc.font);
    return font != nullptr && font->Resolve() ? font : nullptr;
}

// The pen position of each character, and where the text ends.
long long Layout(Font& font, LPCWSTR text, UINT count, const int* dx, long long x, std::vector<long long>& pens) {
    pens.resize(count);
    for (UINT i = 0; i < count; ++i) {
        pens[i] = x;
        x += dx != nullptr ? dx[i] : font.strike->Get(static_cast<char32_t>(text[i])).advance;
    }
    return x;
}

// Puts coverage of the text colour onto pixels of one destination format: blended over what lies
// there, except on the colour key, where a pixel is the text colour or untouched (a blend would
// leave a fringe round a popup's keyed-out corners).
class InkWriter {
public:
    InkWriter(const PixelLayout& layout, COLORREF colour)
        : m_bytes(layout.bitsPerPixel / 8),
          m_pixel(PackColour(layout, colour)),
          m_colourBits(layout.masks[0] | layout.masks[1] | layout.masks[2]),
          m_key(PackColour(layout, kColourKey) & m_colourBits) {
        for (int i = 0; i < 3; ++i) m_masks[i] = layout.masks[i];
        std::memcpy(m_pixelBytes, &m_pixel, sizeof m_pixelBytes);
    }

    // count pixels from p with their coverage.
    void PutRow(BYTE* p, const BYTE* cover, int count) const {
        if (m_bytes == 4) {
            auto* pixels = reinterpret_cast<std::uint32_t*>(p);
            for (int i = 0; i < count; ++i) {
                if (cover[i] != 0) Put32(pixels[i], cover[i]);
            }
            return;
        }
        for (int i = 0; i < count; ++i, p += m_bytes) {
            if (cover[i] != 0) Put(p, cover[i]);
        }
    }

private:
    static constexpr COLORREF kColourKey = 0xFF00FF;

    // Whole-byte components (and the fourth byte): two at a time in 16-bit lanes, each
    // (ink * cover + under * (255 - cover)) / 255 rounded as Mix rounds.
    void Put32(std::uint32_t& pixel, unsigned cover) const {
        const std::uint32_t under = pixel;
        if (cover == 255) {
            pixel = m_pixel;
            return;
        }
        if ((under & m_colourBits) == m_key) {
            if (cover >= 128) pixel = m_pixel;
            return;
        }
        const auto lanes = [cover](std::uint32_t ink, std::uint32_t below) {
            std::uint32_t t = ink * cover + below * (255 - cover) + 0x00800080;
            return ((t + ((t >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        };
        pixel = lanes(m_pixel & 0x00FF00FF, under & 0x00FF00FF) |
                (lanes((m_pixel >> 8) & 0x00FF00FF, (under >> 8) & 0x00FF00FF) << 8);
    }

    void Put(BYTE* p, unsigned cover) const {
        if (cover == 255) {
            std::memcpy(p, &m_pixel, static_cast<size_t>(m_bytes));
            return;
        }
        std::uint32_t raw = 0;
        std::memcpy(&raw, p, static_cast<size_t>(m_bytes));
        if ((raw & m_colourBits) == m_key) {
            if (cover >= 128) std::memcpy(p, &m_pixel, static_cast<size_t>(m_bytes));
            return;
        }
        if (m_bytes == 3) {
            for (int i = 0; i < 3; ++i) p[i] = static_cast<BYTE>(Mix(m_pixelBytes[i], p[i], cover));
            return;
        }
        std::uint32_t out = raw & ~m_colourBits;
        for (std::uint32_t mask : m_masks) {
            if (mask == 0) continue;
            const int shift = __builtin_ctz(mask);
            out |= Mix((m_pixel & mask) >> shift, (raw & mask) >> shift, cover) << shift;
        }
        std::memcpy(p, &out, 2);
    }

    // ink over under at cover / 255, rounded.
    static std::uint32_t Mix(std::uint32_t ink, std::uint32_t under, unsigned cover) {
        const std::uint32_t sum = ink * cover + under * (255 - cover) + 128;
        return (sum + (sum >> 8)) >> 8;
    }

    int m_bytes;
    std::uint32_t m_pixel;
    std::uint32_t m_colourBits;
    std::uint32_t m_key;
    std::uint32_t m_masks[3] = {0, 0, 0};
    BYTE m_pixelBytes[4] = {0, 0, 0, 0};
};

}  // namespace
}  // namespace gdi

using namespace gdi;

void PrepareFonts() {
    std::lock_guard<std::mutex> guard(gdi::FontconfigLock());
    if (!gdi::FontconfigStart().valid()) {
        gdi::FontconfigStart() = std::async(std::launch::async, [] {
            if (FcInit() != FcTrue) return false;
            for (const bool bold : {false, true}) {
                MatchAnswer answer;
                answer.first = AskFontconfig(kDefaultFamily, bold, false, true, answer.second);
                AskedAhead().emplace_back(MatchKey{kDefaultFamily, bold, false, true}, answer);
            }
            return true;
        });
    }
}

void WaitForFonts() { gdi::FontconfigReady(); }

HFONT CreateFontIndirectW(const LOGFONTW* description) {
    if (description == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(Lock());
    std::unique_ptr<Object> font = MakeFont(*description);
    if (!static_cast<Font*>(font.get())->Resolve()) return nullptr;
    return reinterpret_cast<HFONT>(Register(std::move(font)));
}

unsigned long GlyphsRendered() {
    std::lock_guard<std::mutex> guard(Lock());
    return g_glyphsRendered;
}

size_t GlyphCacheBytes() {
    std::lock_guard<std::mutex> guard(Lock());
    return TheGlyphCache().bytes;
}

size_t GlyphCacheLimit() { return kGlyphCacheBytes; }

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    std::lock_guard<std::mutex> guard(Lock());
    const Dc* d = FindAs<Dc>(dc, Kind::Dc);
    Font* f = d == nullptr ? nullptr : FontOf(*d);
    if (f == nullptr || metrics == nullptr) return FALSE;
    TEXTMETRICW m{};
    m.tmAscent = f->ascent;
    m.tmDescent = f->descent;
    m.tmHeight = f->ascent + f->descent;
    m.tmInternalLeading = std::max(0, m.tmHeight - f->ppem);
    m.tmAveCharWidth = f->strike->Get(U'x').advance;
    m.tmMaxCharWidth = std::max(f->maxAdvance, m.tmAveCharWidth);
    m.tmWeight = f->description.lfWeight == 0 ? FW_NORMAL : f->description.lfWeight;
    m.tmDigitizedAspectX = m.tmDigitizedAspectY = 96;
    m.tmFirstChar = 0x20;
    m.tmLastChar = 0xFFFF;
    m.tmDefaultChar = L'?';
    m.tmBreakChar = L' ';
    m.tmItalic = f->description.lfItalic != 0;
    m.tmUnderlined = f->description.lfUnderline != 0;
    m.tmStruckOut = f->description.lfStrikeOut != 0;
    m.tmCharSet = HANGUL_CHARSET;
    *metrics = m;
    return TRUE;
}

BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
    std::lock_guard<std::mutex> guard(Lock());
    const Dc* d = FindAs<Dc>(dc, Kind::Dc);
    Font* f = d == nullptr ? nullptr : FontOf(*d);
    if (f == nullptr || count < 0 || (count > 0 && text == nullptr)) return FALSE;
    long long total = 0;
    int fits = 0;
    for (int i = 0; i < count; ++i) {
        total += f->strike->Get(static_cast<char32_t>(text[i])).advance;
        if (total <= maxExtent && fits == i) fits = i + 1;
        if (dx != nullptr) dx[i] = static_cast<int>(std::min<long long>(total, 0x7FFFFFFF));
    }
    if (fit != nullptr) *fit = fits;
    if (size != nullptr)
        *size = SIZE{static_cast<LONG>(std::min<long long>(total, 0x7FFFFFFF)), f->ascent + f->descent};
    return TRUE;
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* dx) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    Font* f = d == nullptr ? nullptr : FontOf(*d);
    if (f == nullptr || (count > 0 && text == nullptr)) return FALSE;
    if (d->bitmap != nullptr && NativeFormat(*d->bitmap, false) == 0) return FALSE;
    if ((options & ETO_OPAQUE) != 0 && rect != nullptr)
        FillSolid(*d, rect->left, rect->top, rect->right, rect->bottom, d->bkColour);
    if (count == 0 || d->bitmap == nullptr) return TRUE;

    // Everything below stays inside the clip rectangle.
    const bool clip = (options & ETO_CLIPPED) != 0 && rect != nullptr;
    const long long cx0 = clip ? rect->left : -(1LL << 40), cy0 = clip ? rect->top : -(1LL << 40);
    const long long cx1 = clip ? rect->right : 1LL << 40, cy1 = clip ? rect->bottom : 1LL << 40;
    const auto fill = [&](long long x0, long long y0, long long x1, long long y1, COLORREF colour) {
        FillSolid(*d, std::max(x0, cx0), std::max(y0, cy0), std::min(x1, cx1), std::min(y1, cy1), colour);
    };

    std::vector<long long> pens;
    const long long end = Layout(*f, text, count, dx, x, pens);
    const long long baseline = static_cast<long long>(y) + f->ascent;
    if (d->bkMode == OPAQUE && (options & ETO_OPAQUE) == 0)
        fill(std::min<long long>(x, end), y, std::max<long long>(x, end), baseline + f->descent, d->bkColour);

    // Each glyph's part inside each drawable box; one glyph at a time, as the cache may let go of
    // the one before.
    Bitmap& target = *d->bitmap;
    const InkWriter writer(target.layout, d->textColour);
    const int bytes = target.layout.bitsPerPixel / 8;
    for (UINT i = 0; i < count; ++i) {
        const Glyph& g = f->strike->Get(static_cast<char32_t>(text[i]));
        if (g.width == 0 || g.height == 0) continue;
        const long long gx = pens[i] + g.left, gy = baseline - g.top;
        ForEachBox(*d, std::max(gx, cx0), std::max(gy, cy0), std::min(gx + g.width, cx1), std::min(gy + g.height, cy1),
                   [&](int bx0, int by0, int bx1, int by1) {
                       for (int py = by0; py < by1; ++py) {
                           const BYTE* ink = g.ink.data() + (py - gy) * g.width + (bx0 - gx);
                           writer.PutRow(target.Row(py) + static_cast<std::ptrdiff_t>(bx0) * bytes, ink, bx1 - bx0);
                       }
                   });
    }
    if (f->description.lfUnderline != 0)
        fill(x, baseline + f->underlinePosition, end, baseline + f->underlinePosition + f->underlineThickness,
             d->textColour);
    if (f->description.lfStrikeOut != 0)
        fill(x, baseline - f->strikePosition, end, baseline - f->strikePosition + f->strikeThickness, d->textColour);
    return TRUE;
}

namespace {

template <class T, class F>
T WithDc(HDC dc, T failure, F&& f) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    return d == nullptr ? failure : f(*d);
}

}  // namespace

int SetBkMode(HDC dc, int mode) {
    if (mode != OPAQUE && mode != TRANSPARENT) return 0;
    return WithDc(dc, 0, [mode](Dc& d) { return std::exchange(d.bkMode, mode); });
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    return WithDc(dc, CLR_INVALID, [colour](Dc& d) { return std::exchange(d.bkColour, colour & 0xFFFFFF); });
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    return WithDc(dc, CLR_INVALID, [colour](Dc& d) { return std::exchange(d.textColour, colour & 0xFFFFFF); });
}

int GetBkMode(HDC dc) {
    return WithDc(dc, 0, [](Dc& d) { return d.bkMode; });
}

COLORREF GetBkColor(HDC dc) {
    return WithDc(dc, CLR_INVALID, [](Dc& d) { return d.bkColour; });
}

COLORREF GetTextColor(HDC dc) {
    return WithDc(dc, CLR_INVALID, [](Dc& d) { return d.textColour; });
}
