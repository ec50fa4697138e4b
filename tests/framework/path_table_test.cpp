#include "framework/base/QePathTable.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system/file.h"
#include "platform/system/module.h"
#include "platform/system/text.h"
#include "tests/support/temp_folder.h"

namespace {

class QePathTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QePathTableStart()); }
    void TearDown() override { QePathTableStop(); }
    QePathTable& Table() { return *QePathTable::Instance(); }
    std::wstring Resolve(int index, const std::wstring& path) {
        std::wstring out = L"stale";
        Table().Resolve(out, index, path);
        return out;
    }
};

TEST_F(QePathTableTest, ResolveJoinsRelativePathsToTheRoot) {
    Table().SetRoot(2, L"\\Program Files\\App");
    EXPECT_EQ(L"\\Program Files\\App\\Skin.dat", Resolve(2, L"Skin.dat"));
    EXPECT_EQ(L"\\Program Files\\App\\Skin.dat", Resolve(2, L"\\Skin.dat"));
    EXPECT_EQ(L"\\Program Files\\App/Skin.dat", Resolve(2, L"/Skin.dat"));
    EXPECT_EQ(L"\\Program Files\\App\\Image\\a.png", Resolve(2, L"Image\\a.png"));
    EXPECT_EQ(L"\\Program Files\\App\\abc", Resolve(2, L"abc"));
    // A drive, a short path, an empty root and an unknown index leave the path as it is.
    EXPECT_EQ(L"C:x", Resolve(2, L"C:x"));
    EXPECT_EQ(L"C:\\x\\y", Resolve(2, L"C:\\x\\y"));
    EXPECT_EQ(L"ab", Resolve(2, L"ab"));
    EXPECT_EQ(L"", Resolve(2, L""));
    EXPECT_EQ(L"Skin.dat", Resolve(0, L"Skin.dat"));
    EXPECT_EQ(L"Skin.dat", Resolve(4, L"Skin.dat"));
    EXPECT_EQ(L"Skin.dat", Resolve(-1, L"Skin.dat"));

    // The result may be written over the path itself.
    std::wstring path = L"Sound\\ring.wav";
    Table().Resolve(path, 2, path);
    EXPECT_EQ(L"\\Program Files\\App\\Sound\\ring.wav", path);
}

TEST_F(QePathTableTest, SetRootDropsOneTrailingSeparator) {
    Table().SetRoot(0, L"\\Dir\\");
    EXPECT_EQ(L"\\Dir", Table().Root(0));
    Table().SetRoot(1, L"\\Dir\\\\");
    EXPECT_EQ(L"\\Dir\\", Table().Root(1));
    Table().SetRoot(3, L"/a/b/");
    EXPECT_EQ(L"/a/b", Table().Root(3));
    Table().SetRoot(2, L"\\");
    EXPECT_EQ(L"", Table().Root(2));
    EXPECT_EQ(L"name.txt", Resolve(2, L"name.txt"));
    Table().SetRoot(7, L"\\Nowhere");
    EXPECT_EQ(L"", Table().Root(7));
}

TEST(QePathTableLifeTest, StartAndStopMakeAndDeleteTheTable) {
    EXPECT_EQ(nullptr, QePathTable::Instance());
    ASSERT_TRUE(QePathTableStart());
    ASSERT_NE(nullptr, QePathTable::Instance());
    QePathTable::Instance()->SetRoot(0, L"\\Old");
    // A second start replaces the table (the sanitizer build sees any leak).
    ASSERT_TRUE(QePathTableStart());
    EXPECT_EQ(L"", QePathTable::Instance()->Root(0));
    QePathTableStop();
    EXPECT_EQ(nullptr, QePathTable::Instance());
    QePathTableStop();
}

TEST(QeModuleDirectoryTest, IsTheProgramsFolderWithItsSeparator) {
    std::wstring folder;
    QeModuleDirectory(folder);
    const std::wstring program = ModuleFileName();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(std::filesystem::path(PathToNative(program)).parent_path().string() + "/", PathToNative(folder));
    EXPECT_EQ(L'\\', folder.back());
    EXPECT_EQ(0u, program.rfind(folder, 0));
    EXPECT_EQ(std::wstring::npos, program.find(L'\\', folder.size()));
}

TEST(QeModuleDirectoryTest, HasNoLengthLimit) {
    testsupport::TempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    std::string deep = temp.Path();
    while (deep.size() < 1500) deep += "/" + std::string(100, 'd');
    std::filesystem::create_directories(deep);
    const std::string copy = deep + "/program";
    std::error_code error;
    std::filesystem::copy_file(PathToNative(ModuleFileName()), copy, error);
    ASSERT_FALSE(error) << error.message();
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);

    // The copy checks its own folder, which lies far beyond any fixed 1024-character buffer.
    const std::string command =
        "'" + copy + "' --gtest_filter=QeModuleDirectoryTest.IsTheProgramsFolderWithItsSeparator 2>&1";
    FILE* child = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, child);
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, child)) > 0) output.append(buffer, n);
    EXPECT_EQ(0, pclose(child));
    EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 1 test.")) << output;
}

TEST(QeScreenTest, DefaultsToThePortraitDevice) {
    const char* old = std::getenv("TEVRIK_SCREEN");
    const std::string saved = old != nullptr ? old : "";
    unsetenv("TEVRIK_SCREEN");
    EXPECT_EQ(480, QeScreenWidth());
    EXPECT_EQ(640, QeScreenHeight());
    setenv("TEVRIK_SCREEN", "800x600", 1);
    EXPECT_EQ(800, QeScreenWidth());
    EXPECT_EQ(600, QeScreenHeight());
    if (old != nullptr) {
        setenv("TEVRIK_SCREEN", saved.c_str(), 1);
    } else {
        unsetenv("TEVRIK_SCREEN");
    }
}

}  // namespace
