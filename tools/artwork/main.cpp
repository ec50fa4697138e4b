// Writes the skin's pictures and the notification sounds: tevrik-artwork FOLDER puts them in
// FOLDER/Image and FOLDER/Sound. Every file is made from code, the same bytes on every run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tools/artwork/Pictures.h"
#include "tools/artwork/Sounds.h"

namespace {

// Writes the file unless it already holds these bytes, so that an unchanged picture keeps its
// time and what copies it need not run again.
bool Store(const std::filesystem::path& path, const std::string& bytes) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old == bytes) return true;
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Removes what an earlier version made and this one does not, so that a renamed picture leaves
// no stale copy for the skin to find. The skin file is copied in by the build, not made here.
void Prune(const std::filesystem::path& folder, const std::set<std::string>& made) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name != "Skin.dat" && made.count(name) == 0) std::filesystem::remove(entry.path(), error);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(root / "Image", error);
    std::filesystem::create_directories(root / "Sound", error);
    int failures = 0;
    std::set<std::string> pictures, sounds;
    for (const artwork::PictureFile& picture : artwork::MakePictures()) {
        pictures.insert(picture.name);
        if (picture.bytes.empty() || !Store(root / "Image" / picture.name, picture.bytes)) {
            std::fprintf(stderr, "tevrik-artwork: cannot make Image/%s\n", picture.name.c_str());
            ++failures;
        }
    }
    for (const artwork::SoundFile& sound : artwork::MakeSounds()) {
        sounds.insert(sound.name);
        if (sound.bytes.empty() || !Store(root / "Sound" / sound.name, sound.bytes)) {
            std::fprintf(stderr, "tevrik-artwork: cannot make Sound/%s\n", sound.name.c_str());
            ++failures;
        }
    }
    Prune(root / "Image", pictures);
    Prune(root / "Sound", sounds);
    return failures == 0 ? 0 : 1;
}
