// The skin's flag words and the keys of its text and image elements, read into plain values.
#pragma once

#include <cstdint>
#include <string>

#include "framework/ui/drawing/QeGraphicsTypes.h"

class QeMarkupElement;

// Flag words are found anywhere in the value, run together or apart, case included.
// Left 1, HCenter 2, Right 4, Top 8, VCenter 16, Bottom 32, EndEllipsis 64.
uint32_t ParseTextFormats(const std::wstring& value);
// Bold 1, Italic 2, Underline 4, StrikeOut 8.
uint32_t ParseFontEffects(const std::wstring& value);
// ReadOnly 1, NumberOnly 2, Password 4, SingleLine 8.
uint32_t ParseEditStyles(const std::wstring& value);
// Horizontal Left 1 and HCenter 2 add up, Right makes it 3; vertical Top 16 and VCenter 32 add
// up, Bottom makes it 48.
uint32_t ParseEditAligns(const std::wstring& value);
// Whole values: "Opaque" 0, "Transparent" 1; anything else 0.
int32_t ParseBackMode(const std::wstring& value);
// Whole values: "BitBlt" 0, "TransparentBlt" 1, "AlphaBlend" 2, "AlphaBlendPerPixel" 3; else 0.
int32_t ParseDrawMethod(const std::wstring& value);

// Font heights beyond this (either sign) are clamped: the skin is outside input.
inline constexpr int32_t kMaxFontHeight = 1024;

// The element's FontSize (clamped, traced), BackColor, TextColor and FontEffects applied to the
// style, each only when present.
void ReadFontKeys(const QeMarkupElement& element, QeTextStyle& style);
// A default style with the element's FontSize, BackMode, BackColor, TextColor, TextFormats and
// FontEffects applied, each only when present.
QeTextStyle ReadTextStyle(const QeMarkupElement& element);
// A fresh descriptor (format 4, per-pixel alpha mode) with the element's File, ImageCoord,
// TargetSize, DrawMethod, ColorKey and ConstantAlpha applied; ConstantAlpha (0-255, clamped)
// wins over ColorKey. Negative extents are traced: ImageCoord is then ignored, TargetSize clamped.
QeImageDescriptor ReadImageDescriptor(const QeMarkupElement& element);
