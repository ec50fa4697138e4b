// Presence codes as the screens show them: a Korean label, or the rectangle of a status icon
// inside the skin's one shared icon picture (Tevrik/_StatusIconList), big or small. A screen sets
// the rectangle as the source rectangle of its own icon element.
//
// Each icon call looks its element up afresh: nothing is cached, so a new skin takes effect at
// once. A skin without the element gives an empty rectangle.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

class Buddy;

// "온라인" for 0 to "오프라인" for 6; "기타" for any other code (7 is "not yet known").
std::wstring PresenceLabel(uint32_t status);
// The Big rectangle of the icon for the presence; a buddy on the block list (ListFlags bit BL)
// shows the blocked icons whatever the presence says.
RECT PresenceIcon(uint32_t status, uint32_t listFlags);
// A chat partner's Big icon; a person outside the roster (null) shows as online.
RECT PresenceIcon(const Buddy* buddy);
// The same choice, the Small rectangle.
RECT GetStatusIconRect(uint32_t status, uint32_t listFlags);
