#include <gtest/gtest.h>

#include <vector>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeRegistry.h"
#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/EmoticonCatalog.h"
#include "messenger/model/Options.h"
#include "tests/support/temp_folder.h"

namespace {

const wchar_t kKey[] = L"Software\\Quandell\\ZevivoZadoruvuv";

class OptionsTest : public ::testing::Test {
protected:
    testsupport::ScopedConfigHome home;
};

TEST_F(OptionsTest, AnEmptyRegistryGivesTheDefaults) {
    Options options;
    EXPECT_EQ(options.ChatType, 0u);
    EXPECT_EQ(options.ViewType, 3u);
    EXPECT_EQ(options.SortType, 0u);
    EXPECT_EQ(options.NotifyType, 3u);
    EXPECT_EQ(options.NotifyScopes, 7u);
    QeRegistryKey key;
    EXPECT_FALSE(key.Open(kKey, HKEY_CURRENT_USER)) << "loading creates no key";
}

TEST_F(OptionsTest, SavedValuesComeBackAndEachSaveIsKeptAtOnce) {
    {
        Options options;
        options.ChatType = 1;
        options.ViewType = 0;
        EXPECT_EQ(options.SaveOptions(), 1);
        // Visible in the store right after the save, before the object goes.
        EXPECT_EQ(QeRegistry::ReadDword(kKey, L"OptionsChatType", 99), 1u);
        EXPECT_EQ(QeRegistry::ReadDword(kKey, L"OptionsViewType", 99), 0u);
        options.SortType = 1;
        options.NotifyType = 2;
        options.NotifyScopes = 5;
        EXPECT_EQ(options.SaveOptions(), 1);
    }
    Options reloaded;
    EXPECT_EQ(reloaded.ChatType, 1u);
    EXPECT_EQ(reloaded.ViewType, 0u);
    EXPECT_EQ(reloaded.SortType, 1u);
    EXPECT_EQ(reloaded.NotifyType, 2u);
    EXPECT_EQ(reloaded.NotifyScopes, 5u);
}

TEST_F(OptionsTest, TheLastChangesAreSavedWhenTheOptionsGo) {
    {
        Options options;
        options.NotifyType = 0;
    }
    EXPECT_EQ(QeRegistry::ReadDword(kKey, L"OptionsNotifyType", 99), 0u);
    EXPECT_EQ(QeRegistry::ReadDword(kKey, L"OptionsNotifyScopes", 99), 7u);
}

TEST_F(OptionsTest, StoredValuesOutsideTheirTableFallBackToTheDefault) {
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsChatType", 2));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsViewType", 9));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsSortType", 0xFFFFFFFFu));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsNotifyType", 4));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsNotifyScopes", 8));
    Options options;
    EXPECT_EQ(options.ChatType, 0u);
    EXPECT_EQ(options.ViewType, 3u);
    EXPECT_EQ(options.SortType, 0u);
    EXPECT_EQ(options.NotifyType, 3u);
    EXPECT_EQ(options.NotifyScopes, 7u);
    EXPECT_FALSE(Options::ViewTypeLabel(options.ViewType).empty());
}

TEST_F(OptionsTest, TheEdgesOfEachTableAreKeptAndAMissingValueKeepsItsDefault) {
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsChatType", 1));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsViewType", 0));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"OptionsNotifyScopes", 0));
    Options options;
    EXPECT_EQ(options.ChatType, 1u);
    EXPECT_EQ(options.ViewType, 0u);
    EXPECT_EQ(options.NotifyScopes, 0u);
    EXPECT_EQ(options.SortType, 0u);
    EXPECT_EQ(options.NotifyType, 3u);
}

TEST(OptionsLabelsTest, EveryTableValueHasItsLabelAndOthersHaveNone) {
    EXPECT_EQ(Options::ChatTypeLabel(0), L"대화하기");
    EXPECT_EQ(Options::ChatTypeLabel(1), L"쪽지쓰기");
    EXPECT_EQ(Options::ChatTypeLabel(2), L"");
    EXPECT_EQ(Options::ViewTypeLabel(0), L"이름 보기");
    EXPECT_EQ(Options::ViewTypeLabel(1), L"대화명 보기");
    EXPECT_EQ(Options::ViewTypeLabel(2), L"이름+ID 보기");
    EXPECT_EQ(Options::ViewTypeLabel(3), L"이름+대화명 보기");
    EXPECT_EQ(Options::ViewTypeLabel(4), L"");
    EXPECT_EQ(Options::SortTypeLabel(0), L"전체 보기");
    EXPECT_EQ(Options::SortTypeLabel(1), L"접속자만 보기");
    EXPECT_EQ(Options::SortTypeLabel(2), L"");
    EXPECT_EQ(Options::NotifyTypeLabel(0), L"사용 안 함");
    EXPECT_EQ(Options::NotifyTypeLabel(1), L"소리 사용");
    EXPECT_EQ(Options::NotifyTypeLabel(2), L"진동 사용");
    EXPECT_EQ(Options::NotifyTypeLabel(3), L"소리+진동 사용");
    EXPECT_EQ(Options::NotifyTypeLabel(4), L"");
    EXPECT_EQ(Options::NotifyTypeLabel(0xFFFFFFFFu), L"");
}

TEST(OptionsLabelsTest, NotifyScopesJoinTheChosenEventsInOrder) {
    EXPECT_EQ(Options::NotifyScopesLabel(0), L"사용 안 함");
    EXPECT_EQ(Options::NotifyScopesLabel(1), L"로그인 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(2), L"대화 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(3), L"로그인+대화 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(4), L"쪽지 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(5), L"로그인+쪽지 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(6), L"대화+쪽지 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(7), L"로그인+대화+쪽지 알림");
    EXPECT_EQ(Options::NotifyScopesLabel(8), L"");
}

// ---------------------------------------------------------------- emoticons

// A skin with three emoticons; the menu's list can be made shorter to break the pairing.
std::wstring SkinText(bool menuShort) {
    std::wstring menu = L"<RGBA><E1><Text>:)</Text></E1><E2><Text>:(</Text></E2>";
    if (!menuShort) menu += L"<E3><Text>:D</Text></E3>";
    menu += L"</RGBA>";
    return L"<?xml version=\"1.0\"?>\r\n"
           L"<Tevrik>\r\n"
           L"  <Chat><_Rect>0, 0, 480, 640</_Rect></Chat>\r\n"
           L"  <_EmoticonList>\r\n" +
           menu +
           L"    <RGB>\r\n"
           L"      <Smile><Text>:)</Text><File>Emoticon\\smile.png</File>"
           L"<ImageCoord>0, 0, 19, 19</ImageCoord><DrawMethod>AlphaBlendPerPixel</DrawMethod></Smile>\r\n"
           L"      <Sad><Text>:(</Text><File>Emoticon\\set.bmp</File>"
           L"<ImageCoord>19, 0, 19, 20</ImageCoord><DrawMethod>TransparentBlt</DrawMethod>"
           L"<ColorKey>#ff00ff</ColorKey></Sad>\r\n"
           L"      <Grin><Text>:D</Text><File>Emoticon\\set.bmp</File><DrawMethod>Sideways</DrawMethod></Grin>\r\n"
           L"    </RGB>\r\n"
           L"  </_EmoticonList>\r\n"
           L"</Tevrik>\r\n";
}

bool ParseSkin(QeMarkupDocument& document, const std::wstring& text) {
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return document.Parse(reader);
}

std::vector<std::wstring> g_traces;
void CollectTrace(void*, const std::wstring& text) { g_traces.push_back(text); }

class EmoticonCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_traces.clear();
        QeSetTraceSink(CollectTrace, nullptr);
    }
    void TearDown() override { QeSetTraceSink(nullptr, nullptr); }

    QeMarkupDocument skin;
    EmoticonCatalog catalog;
};

TEST_F(EmoticonCatalogTest, ReadsTheEmoticonsInDocumentOrder) {
    ASSERT_TRUE(ParseSkin(skin, SkinText(false)));
    catalog.SetSkin(&skin);
    EXPECT_TRUE(g_traces.empty());
    ASSERT_EQ(catalog.Count(), 3u);

    EmoticonImage smile = catalog.EmoticonByIndex(0);
    EXPECT_EQ(smile.Text, L":)");
    EXPECT_EQ(smile.File, L"Emoticon\\smile.png");
    EXPECT_EQ(smile.X, 0);
    EXPECT_EQ(smile.Width, 19);
    EXPECT_EQ(smile.Height, 19);
    EXPECT_EQ(smile.DrawMethod, EmoticonImage::kAlphaBlendPerPixel);

    EmoticonImage sad = catalog.EmoticonByText(L":(");
    EXPECT_EQ(sad.X, 19);
    EXPECT_EQ(sad.Height, 20);
    EXPECT_EQ(sad.DrawMethod, EmoticonImage::kTransparentBlt);
    EXPECT_EQ(sad.Descriptor().keyOrAlpha, 0xFF00FFu) << "a keyed sheet keeps its key, or its ground shows";

    EmoticonImage grin = catalog.EmoticonByIndex(2);
    EXPECT_EQ(grin.Text, L":D");
    EXPECT_EQ(grin.DrawMethod, EmoticonImage::kBitBlt) << "an unknown method name draws plainly";
    EXPECT_EQ(grin.Width, 0);
}

TEST_F(EmoticonCatalogTest, UnknownCodesAndPositionsGiveAnEmptyImage) {
    ASSERT_TRUE(ParseSkin(skin, SkinText(false)));
    catalog.SetSkin(&skin);
    EXPECT_TRUE(catalog.EmoticonByText(L":P").IsEmpty());
    EXPECT_TRUE(catalog.EmoticonByText(L":) ").IsEmpty()) << "codes compare exactly";
    EXPECT_TRUE(catalog.EmoticonByText(L"").IsEmpty());
    EXPECT_TRUE(catalog.EmoticonByIndex(3).IsEmpty());
    EXPECT_TRUE(catalog.EmoticonByIndex(static_cast<size_t>(-1)).IsEmpty());
}

TEST_F(EmoticonCatalogTest, WithoutASkinNothingIsFound) {
    EXPECT_EQ(catalog.Count(), 0u);
    EXPECT_TRUE(catalog.EmoticonByIndex(0).IsEmpty());
    EXPECT_TRUE(catalog.EmoticonByText(L":)").IsEmpty());
    QeMarkupDocument bare;
    ASSERT_TRUE(ParseSkin(bare, L"<Tevrik><Chat/></Tevrik>"));
    catalog.SetSkin(&bare);
    EXPECT_TRUE(g_traces.empty()) << "no lists at all is no mismatch";
    EXPECT_TRUE(catalog.EmoticonByIndex(0).IsEmpty());
}

TEST_F(EmoticonCatalogTest, AMenuListOfAnotherLengthIsTraced) {
    ASSERT_TRUE(ParseSkin(skin, SkinText(true)));
    catalog.SetSkin(&skin);
    EXPECT_FALSE(catalog.ListsAgree());
    ASSERT_EQ(g_traces.size(), 1u);
    EXPECT_EQ(g_traces[0],
              L"EmoticonCatalog::SetSkin, the emoticon menu lists 2 emoticons but the catalogue 3; "
              L"\"_EmoticonList/RGBA\" and \"_EmoticonList/RGB\" must be parallel.\n");
    // The catalogue still answers for what it has.
    EXPECT_EQ(catalog.EmoticonByIndex(2).Text, L":D");
}

TEST_F(EmoticonCatalogTest, TheSkinIsLookedUpOnEveryCall) {
    ASSERT_TRUE(ParseSkin(skin, SkinText(false)));
    catalog.SetSkin(&skin);
    skin.Clear();
    EXPECT_EQ(catalog.Count(), 0u);
    EXPECT_TRUE(catalog.EmoticonByText(L":)").IsEmpty());
}

}  // namespace
