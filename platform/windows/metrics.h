// The size of the device screen this program draws for.
#pragma once

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;

// SM_CXSCREEN and SM_CYSCREEN: 480 x 640, or what TEVRIK_SCREEN=WIDTHxHEIGHT asks for (each side
// 1 to 16384; any other setting is reported once on stderr and the default is used). 0 for any
// other index.
int GetSystemMetrics(int index);
