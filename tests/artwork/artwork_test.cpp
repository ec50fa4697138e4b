// The artwork generator: two runs make the same files, byte for byte, and every sound is a
// well-formed short 16-bit mono PCM file that starts and ends quietly and never reaches full scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

using Files = std::map<std::string, std::string>;  // path inside the folder -> bytes

Files ReadAll(const std::string& folder) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[std::filesystem::relative(entry.path(), folder).string()] =
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return files;
}

Files Generate(const testsupport::TempFolder& folder) {
    const std::string command = std::string("'") + TEVRIK_ARTWORK_TOOL + "' '" + folder.Path() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadAll(folder.Path());
}

uint32_t Le(const std::string& bytes, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

}  // namespace

TEST(ArtworkTest, TwoRunsMakeTheSameFilesAndSoundsAreShortQuietMonoPcm) {
    testsupport::TempFolder first, second;
    const Files files = Generate(first);
    EXPECT_GT(files.size(), 4u);
    EXPECT_EQ(files, Generate(second));
    std::map<std::string, std::string> seen;  // data -> name: four distinct chimes
    for (const char* name : {"login.wav", "buddy_login.wav", "recv_chat.wav", "recv_memo.wav"}) {
        SCOPED_TRACE(name);
        const auto found = files.find(std::string("Sound/") + name);
        ASSERT_NE(found, files.end());
        const std::string& wav = found->second;
        ASSERT_GE(wav.size(), 44u);
        // RIFF header, a 16-byte PCM format chunk, then the data chunk up to the end of the file.
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        const uint32_t rate = Le(wav, 24, 4);
        EXPECT_EQ((std::vector<uint32_t>{Le(wav, 16, 4), Le(wav, 20, 2), Le(wav, 22, 2), Le(wav, 28, 4), Le(wav, 32, 2),
                                         Le(wav, 34, 2)}),
                  (std::vector<uint32_t>{16, 1, 1, rate * 2, 2, 16}));
        EXPECT_EQ(wav.substr(36, 4), "data");
        const uint32_t bytes = Le(wav, 40, 4);
        ASSERT_EQ(bytes, wav.size() - 44);
        const size_t count = bytes / 2;
        EXPECT_GT(count, rate / 10);
        EXPECT_LT(count, rate);  // under a second
        int peak = 0;
        for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(static_cast<int16_t>(Le(wav, 44 + 2 * i, 2))));
        EXPECT_GT(peak, 8000);
        EXPECT_LT(peak, 30000);  // below full scale
        // A soft attack and a faded end: the first and last milliseconds are quiet.
        for (size_t i : {size_t{0}, size_t{1}, count - 2, count - 1}) {
            EXPECT_LT(std::abs(static_cast<int16_t>(Le(wav, 44 + 2 * i, 2))), 200) << "sample " << i;
        }
        EXPECT_TRUE(seen.emplace(wav.substr(44), name).second) << "sounds like " << seen[wav.substr(44)];
    }
}
