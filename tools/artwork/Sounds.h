// The notification sounds: short synthesised chimes, one per event the program plays a sound for.
#pragma once

#include <string>
#include <vector>

namespace artwork {

struct SoundFile {
    std::string name;   // file name in the Sound folder
    std::string bytes;  // a RIFF WAVE file
};

// Every sound, 16-bit mono PCM at one sample rate (so the player's device need not be opened
// again between notices), each under a second, peaks well below full scale.
std::vector<SoundFile> MakeSounds();

}  // namespace artwork
