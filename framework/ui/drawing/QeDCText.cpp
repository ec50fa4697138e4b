// The text half of the drawing context: fonts, colours and text.
#include "framework/ui/drawing/QeDC.h"

#include <algorithm>

#include "framework/ui/drawing/QeDrawMath.h"

const wchar_t* const QeFont::kDefaultFace = L"삼성 고딕";

bool QeFont::Create(const FontKey& key) {
    Release();
    m_key = key;
    LOGFONTW font = {};
    font.lfHeight = key.height;
    font.lfWeight = key.weight;
    font.lfItalic = key.italic;
    font.lfUnderline = key.underline;
    font.lfStrikeOut = key.strikeOut;
    const std::wstring& face = key.faceName.empty() ? std::wstring(kDefaultFace) : key.faceName;
    // A face longer than the record holds is cut; the name stays terminated.
    const size_t length = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.begin(), length, font.lfFaceName);
    m_handle = CreateFontIndirectW(&font);
    return m_handle != nullptr;
}

int QeDC::SelectFont(QeFont* font, bool owned) {
    const HGDIOBJ before = m_font.handle;
    if (!m_font.Select(m_handle, font, owned)) {
        m_textMetrics = {};
        return 0;
    }
    if (m_font.object == nullptr) {
        m_textMetrics = {};
    } else if (m_font.handle != before) {
        GetTextMetricsW(m_handle, &m_textMetrics);
    }
    return 1;
}

void QeDC::SetBackMode(int32_t mode) {
    ::SetBkMode(m_handle, mode == 0 ? OPAQUE : TRANSPARENT);
    m_backMode = mode == 0 ? 0 : 1;
}

void QeDC::SetBackColor(COLORREF color) {
    ::SetBkColor(m_handle, color);
    m_backColor = color;
}

void QeDC::SetTextColor(COLORREF color) {
    ::SetTextColor(m_handle, color);
    m_textColor = color;
}

int QeDC::FillSolid(COLORREF color, const RECT& rect) {
    RECT area = rect;
    if (IsEmptyRect(area)) area = RECT{0, 0, Width(), Height()};
    ::SetBkColor(m_handle, color);
    m_backColor = color;
    ExtTextOutW(m_handle, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &area, L"", 0, nullptr);
    return 1;
}

SIZE QeDC::TextExtent(const std::wstring& text) {
    SIZE size = {0, 0};
    GetTextExtentExPointW(m_handle, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr, &size);
    return size;
}

namespace {

class DcMeasure : public QeTextMeasure {
public:
    explicit DcMeasure(QeDC& dc) : m_dc(dc) {}
    SIZE Extent(const std::wstring& text) override { return m_dc.TextExtent(text); }
    int Fit(const std::wstring& text, int32_t maxWidth) override {
        int fit = 0;
        SIZE size = {0, 0};
        if (!GetTextExtentExPointW(m_dc.Handle(), text.c_str(), static_cast<int>(text.size()), maxWidth, &fit,
                                   nullptr, &size)) {
            return 0;
        }
        return fit;
    }

private:
    QeDC& m_dc;
};

}  // namespace

bool QeDC::DrawText(const std::wstring& text, const RECT& layout, const RECT& clip, uint32_t format) {
    DcMeasure measure(*this);
    const QeTextPlacement placed = PlaceText(text, layout, format, measure);
    const UINT options = m_backMode == 0 ? ETO_OPAQUE | ETO_CLIPPED : ETO_CLIPPED;
    return ExtTextOutW(m_handle, placed.x, placed.y, options, &clip, placed.shown.c_str(),
                       static_cast<UINT>(placed.shown.size()), nullptr) != 0;
}

int QeSurface::Fill(COLORREF color) { return FillSolid(color, RECT{0, 0, 0, 0}); }
