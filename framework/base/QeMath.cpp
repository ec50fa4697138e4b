#include "framework/base/QeMath.h"

#include <cmath>

float PowF(float x, float y) { return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y))); }
