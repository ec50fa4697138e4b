// The big presence icon of a chat's partner or participant, until the presence look-up shared by
// every screen takes its place.
#pragma once

#include "platform/win_types.h"

class Buddy;

namespace ChatRows {

// The source rectangle inside the presence image; a person outside the roster (null) shows as
// online.
RECT BigPresenceIcon(const Buddy* buddy);

}  // namespace ChatRows
