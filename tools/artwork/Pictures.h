// The skin's pictures, each drawn in code and encoded in the format the skin names it by.
#pragma once

#include <string>
#include <vector>

namespace artwork {

struct PictureFile {
    std::string name;   // file name in the Image folder, as the skin spells it
    std::string bytes;  // the encoded file; empty when encoding failed
};

std::vector<PictureFile> MakePictures();

}  // namespace artwork
