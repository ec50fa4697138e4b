// The slow reading of a start done on a helper thread while the framework starts (the font
// configuration keeps the user-interface thread waiting there): the skin file parsed, then the
// pictures of the windows shown first decoded ahead of their first draw.
#pragma once

#include <string>

#include "framework/base/QeMarkup.h"

namespace StartAhead {

// Starts the reading for the folder a start now takes as the program's; a reading of that very
// skin begun earlier and not yet taken goes on.
void Begin();

// The skin read ahead when it was read from this very file: waits for it, moves it into document,
// sets read to the load's result and answers true. Taken once; false when there is none.
bool TakeSkin(const std::wstring& resolved, QeMarkupDocument& document, bool& read);

// Waits for what still runs; the skin and pictures nobody took are freed, and the free pages the
// helper leaves behind go back to the system.
void End();

}  // namespace StartAhead
