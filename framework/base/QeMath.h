#pragma once

// x to the power y, computed in double precision.
float PowF(float x, float y);
