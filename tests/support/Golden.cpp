#include "tests/support/Golden.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/support/ImageFiles.h"

#ifndef TEVRIK_SOURCE_ROOT
#define TEVRIK_SOURCE_ROOT "."
#endif

namespace {

constexpr uint32_t kDiffColor = 0xFF00FF;

bool UpdateRequested() {
    const char* value = std::getenv("TEVRIK_UPDATE_GOLDEN");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// The golden's pixel faded three quarters toward white: the scene stays readable under the marks.
uint32_t Faded(uint32_t rgb) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t c = (rgb >> shift) & 0xFF;
        out |= ((c + 3 * 255) / 4) << shift;
    }
    return out;
}

std::string OutputPath(const std::string& file) {
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::current_path(ignored) / "golden-output";
    std::filesystem::create_directories(folder, ignored);
    return (folder / file).string();
}

}  // namespace

GoldenPicture CaptureFramebuffer(HWND window) {
    GoldenPicture picture;
    RECT client{};
    if (!GetClientRect(window, &client)) return picture;
    const size_t capacity = static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom);
    picture.pixels.resize(capacity);
    const RECT copied = CopyFramebuffer(window, client, picture.pixels.data(), capacity);
    picture.width = copied.right - copied.left;
    picture.height = copied.bottom - copied.top;
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    return picture;
}

std::vector<uint32_t> CaptureFramebuffer(HWND window, const RECT& area) {
    std::vector<uint32_t> pixels(static_cast<size_t>(area.right - area.left) * static_cast<size_t>(area.bottom - area.top));
    CopyFramebuffer(window, area, pixels.data(), pixels.size());
    return pixels;
}

bool ReadPng(const std::string& path, GoldenPicture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.clear();
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
        picture.pixels.push_back(uint32_t{bytes[i]} << 16 | uint32_t{bytes[i + 1]} << 8 | bytes[i + 2]);
    }
    return true;
}

bool WritePng(const std::string& path, const GoldenPicture& picture) {
    image_files::Png png;
    png.width = static_cast<uint32_t>(picture.width);
    png.height = static_cast<uint32_t>(picture.height);
    png.colorType = 2;
    for (uint32_t rgb : picture.pixels) {
        png.rows += {static_cast<char>(rgb >> 16), static_cast<char>(rgb >> 8), static_cast<char>(rgb)};
    }
    const std::string bytes = image_files::PngFile(png);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && out.good();
}

std::string SourcePath(const std::string& relative) {
    const char* root = std::getenv("TEVRIK_SOURCE_DIR");
    return std::string(root != nullptr ? root : TEVRIK_SOURCE_ROOT) + "/" + relative;
}

std::string GoldenPath(const std::string& name) { return SourcePath("tests/golden/" + name + ".png"); }

::testing::AssertionResult MatchesGolden(const GoldenPicture& actual, const std::string& name,
                                         const std::string& outputName) {
    if (actual.width == 0 || actual.height == 0) return ::testing::AssertionFailure() << "nothing was drawn";
    const std::string goldenPath = GoldenPath(name);
    if (UpdateRequested()) {
        if (!WritePng(goldenPath, actual)) return ::testing::AssertionFailure() << "cannot write " << goldenPath;
        std::printf("golden %s written: look at it before committing it\n", goldenPath.c_str());
        return ::testing::AssertionSuccess();
    }

    GoldenPicture golden;
    const bool read = ReadPng(goldenPath, golden);
    const bool sameSize = read && golden.width == actual.width && golden.height == actual.height;
    size_t differing = 0;
    GoldenPicture diff = actual;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        const bool same = sameSize && golden.pixels[i] == actual.pixels[i];
        differing += same ? 0 : 1;
        diff.pixels[i] = same ? Faded(golden.pixels[i]) : kDiffColor;
    }
    const std::string& output = outputName.empty() ? name : outputName;
    const std::string actualPath = OutputPath(output + ".actual.png");
    const std::string diffPath = OutputPath(output + ".diff.png");
    if (differing == 0) {
        std::remove(actualPath.c_str());
        std::remove(diffPath.c_str());
        return ::testing::AssertionSuccess();
    }

    WritePng(actualPath, actual);
    WritePng(diffPath, diff);
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    if (!read) {
        failure << "no golden " << goldenPath;
    } else if (!sameSize) {
        failure << "golden " << goldenPath << " is " << golden.width << "x" << golden.height << ", the picture "
                << actual.width << "x" << actual.height;
    } else {
        failure << differing << " of " << actual.pixels.size() << " pixels differ from " << goldenPath;
    }
    return failure << "\n  drawn: " << actualPath << "\n  difference: " << diffPath
                   << "\n  (TEVRIK_UPDATE_GOLDEN=1 writes the drawn picture over the golden)";
}

::testing::AssertionResult MatchesGolden(HWND window, const std::string& name) {
    return MatchesGolden(CaptureFramebuffer(window), name);
}
