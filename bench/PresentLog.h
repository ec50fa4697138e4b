// The SDL presenter's log of presents (TEVRIK_PRESENT_LOG, platform/screen/sdl_presenter.cpp): one
// line per picture presented, "<CLOCK_MONOTONIC ns> <hash of the picture> <lit pixels>".
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

struct PresentedFrame {
    long long at = 0;
    std::string hash;
    long long lit = 0;
};

inline std::vector<PresentedFrame> ReadPresentLog(const std::string& path) {
    std::vector<PresentedFrame> frames;
    std::istringstream in(testsupport::ReadBytes(path));
    for (PresentedFrame frame; in >> frame.at >> frame.hash >> frame.lit;) frames.push_back(frame);
    return frames;
}

// The presents in [from, to) (monotonic ns), and how many of them showed the same picture as the
// present before them.
struct PresentCount {
    int presents = 0;
    int identical = 0;
    int Changed() const { return presents - identical; }
};

inline PresentCount CountPresents(const std::vector<PresentedFrame>& frames, long long from, long long to) {
    PresentCount count;
    const PresentedFrame* before = nullptr;
    for (const PresentedFrame& frame : frames) {
        if (frame.at >= from && frame.at < to) {
            ++count.presents;
            if (before != nullptr && before->hash == frame.hash) ++count.identical;
        }
        before = &frame;
    }
    return count;
}
