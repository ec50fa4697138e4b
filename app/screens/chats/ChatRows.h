// What the chat list and the participants rows share until the messenger's common row painter
// takes it over: a text element recoloured for the selected row, a colour key of the skin, and a
// buddy's big presence icon.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;

namespace ChatRows {

// The text's colour, keeping the rest of its style; the font pool keeps one font per style.
void SetTextColor(QeSkinText& text, COLORREF color);
// The colour at Tevrik/<path> (colour 0, traced once, when the skin lacks it).
COLORREF Color(SkinPath path);
// The big presence icon's source rectangle for the buddy; a person outside the roster (null)
// shows as online.
RECT BigPresenceIcon(const Buddy* buddy);

}  // namespace ChatRows
