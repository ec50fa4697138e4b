// A rectangle as "left,top,right,bottom", for comparing rectangles in tests and showing them in
// failures.
#pragma once

#include <string>

#include "platform/win_types.h"

inline std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
