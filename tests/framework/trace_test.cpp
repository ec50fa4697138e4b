#include "framework/base/QeTrace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/base/QeClassInfo.h"
#include "framework/base/QeObject.h"
#include "framework/base/QeResourceItem.h"
#include "framework/base/QeSingleton.h"

// Singleton types at namespace scope, so their names read plainly in the trace.
struct TraceProbeService : QeSingleton<TraceProbeService> {
    int value = 0;
};
namespace probe {
struct NestedService : QeSingleton<NestedService> {};
}  // namespace probe

namespace {

struct Collected {
    std::mutex lock;
    std::vector<std::wstring> lines;
};

void CollectingSink(void* context, const std::wstring& text) {
    auto* collected = static_cast<Collected*>(context);
    std::lock_guard<std::mutex> guard(collected->lock);
    collected->lines.push_back(text);
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { QeSetTraceSink(CollectingSink, &m_collected); }
    void TearDown() override { QeSetTraceSink(nullptr, nullptr); }
    Collected m_collected;
};

TEST_F(TraceTest, FormatsWideArgumentsIntoTheSink) {
    QeTrace(L"[QE+] %ls::%ls, %ls (%d).\n", L"QeTimerManager", L"Add", L"\ud0c0\uc774\uba38", 7);
    ASSERT_EQ(m_collected.lines.size(), 1u);
    EXPECT_EQ(m_collected.lines[0], L"[QE+] QeTimerManager::Add, \ud0c0\uc774\uba38 (7).\n");
}

TEST_F(TraceTest, LongTextIsCutTo1024Characters) {
    const std::wstring text(2000, L'\uac00');
    QeTrace(L"[QE+] %ls", text.c_str());
    ASSERT_EQ(m_collected.lines.size(), 1u);
    ASSERT_EQ(m_collected.lines[0].size(), 1024u);
    EXPECT_EQ(m_collected.lines[0], L"[QE+] " + std::wstring(1018, L'\uac00'));
}

TEST(TraceOutput, WithoutASinkGoesToStandardErrorAsUtf8) {
    QeSetTraceSink(nullptr, nullptr);
    ::testing::internal::CaptureStderr();
    QeTrace(L"[QE+] %ls, %d\n", L"\uac00", 42);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[QE+] \xea\xb0\x80, 42\n");
}

void ReentrantSink(void* context, const std::wstring& text) {
    auto* collected = static_cast<Collected*>(context);
    bool first;
    {
        std::lock_guard<std::mutex> guard(collected->lock);
        first = collected->lines.empty();
        collected->lines.push_back(text);
    }
    if (first) QeTrace(L"inner");
}

TEST(TraceOutput, ASinkMayTraceItself) {
    Collected collected;
    QeSetTraceSink(ReentrantSink, &collected);
    QeTrace(L"outer");
    QeSetTraceSink(nullptr, nullptr);
    EXPECT_EQ(collected.lines, (std::vector<std::wstring>{L"outer", L"inner"}));
}

TEST(TraceOutput, ThreadsTraceWhileTheSinkChanges) {
    Collected first, second;
    std::atomic<bool> stop{false};
    QeSetTraceSink(CollectingSink, &first);
    std::thread swapper([&] {
        while (!stop.load()) {
            QeSetTraceSink(CollectingSink, &first);
            QeSetTraceSink(CollectingSink, &second);
        }
    });
    std::vector<std::thread> tracers;
    for (int t = 0; t < 4; ++t) {
        tracers.emplace_back([t] {
            for (int i = 0; i < 500; ++i) QeTrace(L"%d:%d", t, i);
        });
    }
    for (std::thread& tracer : tracers) tracer.join();
    stop = true;
    swapper.join();
    QeSetTraceSink(nullptr, nullptr);
    // Every line reached one of the two sinks whole (none went to standard error in between).
    EXPECT_EQ(first.lines.size() + second.lines.size(), 2000u);
    for (const auto* collected : {&first, &second}) {
        for (const std::wstring& line : collected->lines) EXPECT_NE(line.find(L':'), std::wstring::npos);
    }
}

// --- singletons

TEST_F(TraceTest, ASecondSingletonWarnsOnceAndTakesTheSlot) {
    EXPECT_EQ(TraceProbeService::Instance(), nullptr);
    auto* older = new TraceProbeService;
    EXPECT_EQ(TraceProbeService::Instance(), older);
    EXPECT_TRUE(m_collected.lines.empty());

    auto* newer = new TraceProbeService;
    EXPECT_EQ(TraceProbeService::Instance(), newer);
    ASSERT_EQ(m_collected.lines.size(), 1u);
    EXPECT_EQ(m_collected.lines[0],
              L"[QE+] QeSingleton< TraceProbeService >::QeSingleton, Singleton object can have only an instance "
              L"at a time.\n");

    // The older one going away leaves the newer one in place.
    delete older;
    EXPECT_EQ(TraceProbeService::Instance(), newer);
    newer->value = 5;
    EXPECT_EQ(TraceProbeService::Instance()->value, 5);
    delete newer;
    EXPECT_EQ(TraceProbeService::Instance(), nullptr);
    EXPECT_EQ(m_collected.lines.size(), 1u);
}

TEST_F(TraceTest, SingletonWarningNamesNamespacedTypes) {
    probe::NestedService first;
    {
        probe::NestedService second;
        EXPECT_EQ(probe::NestedService::Instance(), &second);
    }
    EXPECT_EQ(probe::NestedService::Instance(), nullptr);  // the newer one cleared its own slot
    ASSERT_EQ(m_collected.lines.size(), 1u);
    EXPECT_NE(m_collected.lines[0].find(L"QeSingleton< probe::NestedService >::QeSingleton, "), std::wstring::npos);
}

// --- class records

struct ProbeGlyph : QeObject {
    explicit ProbeGlyph(const QeClassInfo* info) : info(info) {}
    const QeClassInfo* GetClassInfo() const { return info; }
    const QeClassInfo* info;
};

TEST(ClassInfo, GlyphRecordsFormOneTree) {
    EXPECT_EQ(QeEditGlyphClass.Name(), L"QeEditGlyph");
    EXPECT_EQ(QeEditGlyphClass.Base(), nullptr);
    EXPECT_EQ(QeEditGlyphAnchorClass.Name(), L"QeEditGlyphAnchor");
    EXPECT_EQ(QeEditGlyphTextClass.Name(), L"QeEditGlyphText");
    EXPECT_EQ(QeEditGlyphImageClass.Name(), L"QeEditGlyphImage");
    for (const QeClassInfo* info : {&QeEditGlyphAnchorClass, &QeEditGlyphTextClass, &QeEditGlyphImageClass}) {
        EXPECT_EQ(info->Base(), &QeEditGlyphClass);
    }
}

TEST(ClassInfo, IsKindOfFollowsBaseLinksByIdentity) {
    const ProbeGlyph anchor(&QeEditGlyphAnchorClass);
    const ProbeGlyph glyph(&QeEditGlyphClass);
    const ProbeGlyph unknown(nullptr);
    EXPECT_TRUE(IsKindOf(&anchor, &QeEditGlyphClass));
    EXPECT_TRUE(IsKindOf(&anchor, &QeEditGlyphAnchorClass));
    EXPECT_FALSE(IsKindOf(&glyph, &QeEditGlyphAnchorClass));
    EXPECT_FALSE(IsKindOf(&anchor, &QeEditGlyphTextClass));
    EXPECT_FALSE(IsKindOf(&unknown, &QeEditGlyphClass));
    EXPECT_FALSE(IsKindOf(static_cast<const ProbeGlyph*>(nullptr), &QeEditGlyphClass));
    EXPECT_FALSE(IsKindOf(&anchor, nullptr));

    // A record with the same name is still another record.
    const QeClassInfo lookalike(L"QeEditGlyph", nullptr);
    EXPECT_FALSE(IsKindOf(&anchor, &lookalike));
}

TEST(ResourceItem, CountStartsAtZeroAndNeverGoesBelow) {
    QeResourceItem item;
    EXPECT_EQ(item.RefCount(), 0u);
    EXPECT_EQ(item.AddRef(), 1u);
    EXPECT_EQ(item.AddRef(), 2u);
    EXPECT_EQ(item.DropRef(), 1u);
    EXPECT_EQ(item.DropRef(), 0u);
    EXPECT_EQ(item.DropRef(), 0u);
}

}  // namespace
