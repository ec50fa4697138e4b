// How the skinned controls put their skin elements into the part of themselves being drawn.
#pragma once

#include "platform/win_types.h"

class QeDC;
class QeSkinImage;
class QeSkinText;
class QeWindow;

// The image stretched over the whole window, only its part inside `rect` (surface coordinates)
// drawn. Nothing when the image has none loaded.
void QeDrawImageOverWindow(const QeWindow& window, QeSkinImage& image, QeDC& surface, const RECT& rect);

// The text laid out in the window's rectangle moved by `offset`, clipped to `rect` (surface
// coordinates). Nothing when the text is empty.
void QeDrawTextInWindow(const QeWindow& window, QeSkinText& text, POINT offset, QeDC& surface, const RECT& rect);

// The pen (screen coordinates) lies in the window's rectangle, edges included.
bool QePenInside(const QeWindow& window, int x, int y);
