#include <gtest/gtest.h>

#include <string>

#include "framework/base/QeStrings.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/TokenCodec.h"

namespace {

TEST(MemoRecordTest, ANewRecordIsEmpty) {
    MemoRecord record;
    EXPECT_TRUE(record.Field1.empty() && record.Sender.empty() && record.Summary.empty() && record.Cookie.empty());
    EXPECT_EQ(record.Date.year, 0);
    EXPECT_EQ(record.Read, 0);
    EXPECT_EQ(record.Flag6, 0);
}

TEST(MemoRecordTest, FirstLineStopsAtTheFirstLineBreak) {
    MemoRecord record;
    record.Summary = L"첫 줄\r\n둘째 줄";
    EXPECT_EQ(record.FirstLine(), L"첫 줄");
    record.Summary = L"only LF\nnext";
    EXPECT_EQ(record.FirstLine(), L"only LF");
    record.Summary = L"only CR\rnext";
    EXPECT_EQ(record.FirstLine(), L"only CR");
    record.Summary = L"one line";
    EXPECT_EQ(record.FirstLine(), L"one line");
    record.Summary = L"";
    EXPECT_EQ(record.FirstLine(), L"");
    record.Summary = L"\r\nafter";
    EXPECT_EQ(record.FirstLine(), L"");
}

// Reads every row of a page the way the memo-box reply does: until a row fails.
std::vector<MemoRecord> ReadRows(const std::string& payload) {
    TokenReader reader(payload.data(), static_cast<uint32_t>(payload.size()));
    std::vector<MemoRecord> rows;
    for (int guard = 0; guard < 1000; ++guard) {
        MemoRecord row;
        if (row.ParseListRow(reader) == 0) break;
        rows.push_back(row);
    }
    return rows;
}

TEST(MemoListRowTest, ReadsTheSevenFieldsInOrder) {
    std::string payload = QeStrings::WideToUtf8(L"F1 kim@mail.net 제목%20하나%0d%0a둘 20240307090502 1 0 COOKIE-1\r\n");
    std::vector<MemoRecord> rows = ReadRows(payload);
    ASSERT_EQ(rows.size(), 1u);
    const MemoRecord& row = rows[0];
    EXPECT_EQ(row.Field1, L"F1");
    EXPECT_EQ(row.Sender, L"kim@mail.net");
    EXPECT_EQ(row.Summary, L"제목 하나\r\n둘");
    EXPECT_EQ(row.FirstLine(), L"제목 하나");
    EXPECT_EQ(row.Date.year, 2024);
    EXPECT_EQ(row.Date.month, 3);
    EXPECT_EQ(row.Date.day, 7);
    EXPECT_EQ(row.Date.hour, 9);
    EXPECT_EQ(row.Date.minute, 5);
    EXPECT_EQ(row.Date.second, 2);
    EXPECT_EQ(row.Read, 1);
    EXPECT_EQ(row.Flag6, 0);
    EXPECT_EQ(row.Cookie, L"COOKIE-1");
}

TEST(MemoListRowTest, RowsEndWhereOnlySeparatorsRemain) {
    std::string payload =
        "a s1 t1 20240101000000 0 1 c1\r\n"
        "\r\n"  // a blank line between rows is no row
        "b s2 t2 20240102000000 Y 1 c2\r\n"
        " \t\r\n";
    std::vector<MemoRecord> rows = ReadRows(payload);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Cookie, L"c1");
    EXPECT_EQ(rows[0].Flag6, 1);
    EXPECT_EQ(rows[1].Field1, L"b");
    EXPECT_EQ(rows[1].Read, 0) << "only \"1\" is true";
    EXPECT_EQ(rows[1].Cookie, L"c2");
    EXPECT_TRUE(ReadRows("").empty());
    EXPECT_TRUE(ReadRows(" \r\n\t").empty());
}

TEST(MemoListRowTest, AMalformedDateGivesTheZeroDateAndKeepsTheRow) {
    for (const char* date : {"2024xx07090502", "202403", "202403070905021", "20241307090502", "20240300090502",
                             "20240307250502", "%00"}) {
        std::string payload = std::string("f s t ") + date + " 1 1 c\r\n";
        std::vector<MemoRecord> rows = ReadRows(payload);
        ASSERT_EQ(rows.size(), 1u) << date;
        EXPECT_EQ(rows[0].Date.year, 0) << date;
        EXPECT_EQ(rows[0].Date.month, 0) << date;
        EXPECT_EQ(rows[0].Date.day, 0) << date;
        EXPECT_EQ(rows[0].Cookie, L"c") << date;
    }
}

TEST(MemoListRowTest, AShortLastRowKeepsWhatItHas) {
    std::vector<MemoRecord> rows = ReadRows("f s t 20240101000000");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Summary, L"t");
    EXPECT_EQ(rows[0].Date.year, 2024);
    EXPECT_TRUE(rows[0].Cookie.empty());
    EXPECT_EQ(rows[0].Read, 0);
}

class MemoStoreTest : public ::testing::Test {
protected:
    MemoStore store;

    std::vector<std::wstring> Cookies() const {
        std::vector<std::wstring> cookies;
        for (size_t i = 0; i < store.Count(); ++i) cookies.push_back(store.RecordAt(i)->Cookie);
        return cookies;
    }
};

TEST_F(MemoStoreTest, StartsWithNoBoxChosen) {
    EXPECT_EQ(store.CurrentBox, 2u);
    EXPECT_EQ(store.CurrentPage, 0u);
    EXPECT_EQ(store.PageCount, 0u);
    EXPECT_EQ(store.HasNewMemo, 0);
    EXPECT_EQ(store.Count(), 0u);
}

TEST_F(MemoStoreTest, WireBoxTypeIsZeroOneOrThree) {
    EXPECT_EQ(store.WireBoxType(), 3u);
    store.CurrentBox = 0;
    EXPECT_EQ(store.WireBoxType(), 0u);
    store.CurrentBox = 1;
    EXPECT_EQ(store.WireBoxType(), 1u);
    store.CurrentBox = 7;
    EXPECT_EQ(store.WireBoxType(), 3u);
}

TEST_F(MemoStoreTest, NewMemosGoInFrontNewestFirstAndPagesAtTheBack) {
    store.AddBack()->Cookie = L"page1-a";
    store.AddBack()->Cookie = L"page1-b";
    store.AddFront()->Cookie = L"new1";
    store.AddBack()->Cookie = L"page2-a";
    store.AddFront()->Cookie = L"new2";
    store.AddFront()->Cookie = L"new3";
    EXPECT_EQ(Cookies(), (std::vector<std::wstring>{L"new3", L"new2", L"new1", L"page1-a", L"page1-b", L"page2-a"}));
    EXPECT_EQ(store.RecordAt(6), nullptr);
}

TEST_F(MemoStoreTest, RecordsStayPutWhileOthersAreAdded) {
    MemoRecord* kept = store.AddBack();
    kept->Cookie = L"kept";
    uint32_t generation = store.Generation();
    for (int i = 0; i < 200; ++i) {
        store.AddFront();
        store.AddBack();
    }
    EXPECT_EQ(kept->Cookie, L"kept");
    EXPECT_EQ(store.IndexOf(kept), 200);
    EXPECT_EQ(store.Generation(), generation);
}

TEST_F(MemoStoreTest, RemovingOneRecordKeepsTheOthersInOrder) {
    store.AddBack()->Cookie = L"a";
    MemoRecord* b = store.AddBack();
    b->Cookie = L"b";
    store.AddBack()->Cookie = L"c";
    uint32_t generation = store.Generation();
    EXPECT_EQ(store.RemoveRecord(b), 1);
    EXPECT_NE(store.Generation(), generation);
    EXPECT_EQ(Cookies(), (std::vector<std::wstring>{L"a", L"c"}));
    MemoRecord outside;
    EXPECT_EQ(store.RemoveRecord(&outside), 0);
    EXPECT_EQ(store.RemoveRecord(nullptr), 0);
    EXPECT_EQ(store.Count(), 2u);

    // By position, as the memo list removes the record of its row.
    store.AddBack()->Cookie = L"d";
    generation = store.Generation();
    EXPECT_EQ(store.RemoveAt(1), 1);
    EXPECT_NE(store.Generation(), generation);
    EXPECT_EQ(Cookies(), (std::vector<std::wstring>{L"a", L"d"}));
    generation = store.Generation();
    EXPECT_EQ(store.RemoveAt(2), 0);
    EXPECT_EQ(store.RemoveAt(static_cast<size_t>(-1)), 0);
    EXPECT_EQ(store.Generation(), generation);
    EXPECT_EQ(Cookies(), (std::vector<std::wstring>{L"a", L"d"}));
}

TEST_F(MemoStoreTest, DeleteAllAndClearTellsHoldersOfRecordPointers) {
    store.AddBack();
    store.AddFront();
    uint32_t generation = store.Generation();
    store.DeleteAllAndClear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_NE(store.Generation(), generation);
}

}  // namespace
