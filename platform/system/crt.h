// C runtime calls of the wide-character kind that the C library here lacks.
#pragma once

#include "platform/win_types.h"

// A decimal number at the start of the text: white space skipped, an optional sign, digits up to
// the first other character. 0 when there is no number (or no text); values beyond 32 bits give
// the nearest 32-bit limit.
LONG _wtol(const wchar_t* text);

// Blocks of 128 kB and more (pictures, surfaces, list buffers) are mapped each on its own and go
// back to the system when freed. Left to itself, glibc raises that threshold after the first such
// block is freed, and the later ones leave holes in the heap that stay resident.
void UseMappedLargeBlocks();

// Hands the free pages of every malloc arena back to the system: helper threads that worked at
// start-up leave arenas of their own behind, with pages nothing uses any more.
void ReturnFreePages();

// Gives the block all its pages now, in one call, rather than at the first write to each; a kernel
// that cannot leaves them to the faults. Only the whole pages inside the block are touched.
void CommitPages(void* block, size_t bytes);
