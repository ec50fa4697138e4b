// Picture tests against golden PNG files: a window's framebuffer, drawn through the real loop, is
// compared pixel for pixel with tests/golden/NAME.png.
//
//   EXPECT_TRUE(MatchesGolden(window, "gallery_controls"));
//
// - A difference (or a golden that is missing or of another size) fails the test and writes two
//   pictures into golden-output/ under the test's working folder (build/tests/ under CTest):
//   NAME.actual.png, what was drawn, and NAME.diff.png, the golden faded with every pixel that
//   differs in magenta. The failure message names both files.
// - Goldens change only on purpose: with TEVRIK_UPDATE_GOLDEN=1 in the environment the picture
//   drawn is written over the golden (and the check passes). Look at it before committing it.
// - Goldens hold text drawn in NanumGothic (scripts/setup.sh installs fonts-nanum); with another
//   font every text-bearing golden differs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

// Pixels as 0x00RRGGBB, row after row.
struct GoldenPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The window's whole framebuffer.
GoldenPicture CaptureFramebuffer(HWND window);
// A part of the framebuffer, which it must lie in, as 0x00RRGGBB words row after row.
std::vector<uint32_t> CaptureFramebuffer(HWND window, const RECT& area);

// Reads an 8-bit RGB or RGBA PNG file; false when it cannot.
bool ReadPng(const std::string& path, GoldenPicture& picture);
// Writes the picture as an 8-bit RGB PNG file; false when it cannot.
bool WritePng(const std::string& path, const GoldenPicture& picture);

// A file of the source tree by its relative path: under $TEVRIK_SOURCE_DIR, or the source folder
// the tests were built from.
std::string SourcePath(const std::string& relative);
// The golden of the name: SourcePath("tests/golden/NAME.png").
std::string GoldenPath(const std::string& name);

// Compares the picture with the golden of the name (see above). The pictures of a failure go out
// under outputName when one is given; a match removes those left by an earlier failure.
::testing::AssertionResult MatchesGolden(const GoldenPicture& actual, const std::string& name,
                                         const std::string& outputName = std::string());
::testing::AssertionResult MatchesGolden(HWND window, const std::string& name);
