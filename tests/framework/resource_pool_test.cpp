#include "framework/ui/drawing/QeResourcePool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "tests/support/TraceLog.h"

// Value types at namespace scope, so their names read plainly in the traces.
struct PooledThing {
    int serial = 0;
    bool released = false;
};
struct ThingSize {
    int width = 0;
    int height = 0;
    auto operator<=>(const ThingSize&) const = default;
};

namespace {

// Loads fail for keys with a negative height; every load and release is logged.
class ThingPool : public QeResourcePool<FontKey, PooledThing> {
public:
    using QeResourcePool::Load;
    ~ThingPool() override { UnloadAll(); }
    std::vector<std::wstring> log;

protected:
    bool Load(const FontKey& key, PooledThing& value) override {
        log.push_back(L"load " + std::to_wstring(key.height));
        value.serial = ++m_serial;
        return key.height >= 0;
    }
    void Release(PooledThing& value) override { log.push_back(L"release " + std::to_wstring(value.serial)); }

private:
    int m_serial = 0;
};

FontKey Key(int height, const wchar_t* face = L"") {
    FontKey key;
    key.height = height;
    key.faceName = face;
    return key;
}

TEST(ResourcePoolTest, SameKeySharesOneHandleUntilEveryLoadIsUnloaded) {
    ThingPool pool;
    const int a = pool.Load(Key(12));
    EXPECT_EQ(pool.Load(Key(12)), a);
    const int b = pool.Load(Key(12, L"Other"));
    EXPECT_NE(b, a);
    EXPECT_EQ(pool.Find(a), pool.Find(a));
    pool.Unload(a);
    EXPECT_NE(pool.Find(a), nullptr);
    pool.Unload(a);
    // Reloaded after its last unload, the key gets a new, higher handle.
    const int again = pool.Load(Key(12));
    EXPECT_GT(again, b);
    EXPECT_EQ(pool.log, (std::vector<std::wstring>{L"load 12", L"load 12", L"release 1", L"load 12"}));
    EXPECT_EQ(pool.Size(), 2u);
}

TEST(ResourcePoolTest, FailedLoadLeavesThePoolUnchanged) {
    ThingPool pool;
    EXPECT_EQ(pool.Load(Key(-1)), -1);
    EXPECT_EQ(pool.Size(), 0u);
    EXPECT_EQ(pool.Load(Key(3)), 0);
}

TEST(ResourcePoolTest, InvalidHandlesAreTracedAndIgnored) {
    ThingPool pool;
    const int handle = pool.Load(Key(1));
    pool.Unload(handle);
    TraceLog log;
    for (int bad : {-1, handle, 7}) {
        EXPECT_EQ(pool.Find(bad), nullptr);
        pool.Unload(bad);
    }
    std::wstring expected;
    for (int i = 0; i < 3; ++i) {
        expected += L"[QE+] QeResourcePool< FontKey, PooledThing >::Find, Invalid handle has been tried to find.\n";
        expected +=
            L"[QE+] QeResourcePool< FontKey, PooledThing >::Unload, Invalid handle has been tried to unload.\n";
    }
    EXPECT_EQ(log.Text(), expected);
}

TEST(ResourcePoolTest, UnloadAllReleasesEverythingAndKeepsHandlesUnique) {
    ThingPool pool;
    const int a = pool.Load(Key(1));
    pool.Load(Key(1));
    const int b = pool.Load(Key(2));
    pool.UnloadAll();
    EXPECT_EQ(pool.Size(), 0u);
    EXPECT_EQ(pool.log, (std::vector<std::wstring>{L"load 1", L"load 2", L"release 1", L"release 2"}));
    EXPECT_GT(pool.Load(Key(1)), b);
    TraceLog log;
    EXPECT_EQ(pool.Find(a), nullptr);
    EXPECT_NE(log.Text(), L"");
}

TEST(ResourcePoolTest, KeysOrderFieldByField) {
    FontKey bold = Key(12);
    bold.weight = 700;
    FontKey italic = Key(12);
    italic.italic = 1;
    EXPECT_LT(Key(11, L"Z"), Key(12, L"A"));
    EXPECT_LT(italic, bold);
    EXPECT_LT(Key(12, L"A"), Key(12, L"B"));

    QeImageKey first, second;
    first.fileName = L"b.png";
    second.fileName = L"a.png";
    second.format = 2;
    EXPECT_LT(second, first);
    first.fileName = second.fileName;
    EXPECT_LT(second, first);  // format 2 before format 4
    EXPECT_EQ(QeTextStyle{}, QeTextStyle{});
    QeTextStyle opaque;
    opaque.backMode = 0;
    EXPECT_LT(opaque, QeTextStyle{});
}

// Loads fail for zero widths; releases mark the value (the pool then deletes it).
class ThingSurfaces : public QeResourcePoolGrowable<ThingSize, PooledThing> {
public:
    ~ThingSurfaces() override { DestroyAll(); }
    PooledThing* Get(int width, int height, const PooledThing* preferred = nullptr) {
        return Acquire(ThingSize{width, height}, preferred);
    }
    std::vector<int> released;

protected:
    bool Load(const ThingSize& key, PooledThing& value) override {
        value.serial = ++m_serial;
        return key.width > 0;
    }
    void Release(PooledThing& value) override {
        value.released = true;
        released.push_back(value.serial);
    }

private:
    int m_serial = 0;
};

std::vector<int> InUseSerials(const ThingSurfaces& pool) {
    std::vector<int> out;
    for (const auto& record : pool.InUseList()) out.push_back(record.value->serial);
    return out;
}

TEST(SurfacePoolTest, EqualSizesInOneFrameAreDistinctAndComeBackToTheirOwners) {
    ThingSurfaces pool;
    PooledThing* first = pool.Get(10, 10);
    PooledThing* second = pool.Get(10, 10);
    PooledThing* other = pool.Get(5, 10);
    ASSERT_NE(first, second);
    EXPECT_EQ(InUseSerials(pool), (std::vector<int>{1, 2, 3}));

    // Next frame the windows ask in the other order, each preferring its own.
    pool.FlushPending();
    EXPECT_EQ(pool.Get(10, 10, second), second);
    EXPECT_EQ(pool.Get(10, 10, first), first);
    EXPECT_EQ(InUseSerials(pool), (std::vector<int>{2, 1}));

    // Without a preference the oldest free one of the size comes first, every run alike.
    pool.FlushPending();
    EXPECT_EQ(pool.Get(10, 10), second);
    EXPECT_EQ(pool.Get(10, 10, other), first);  // preferred but of another size
    EXPECT_EQ(pool.Get(10, 10)->serial, 4);
    EXPECT_EQ(pool.Get(0, 1), nullptr);
    EXPECT_EQ(pool.FreeCount(), 1u);
    EXPECT_TRUE(pool.released.empty());
}

TEST(SurfacePoolTest, ShortBorrowAndInvalidUnload) {
    ThingSurfaces pool;
    PooledThing* held = pool.Get(1, 1);
    EXPECT_TRUE(pool.Unload(held));
    EXPECT_EQ(pool.Get(1, 1), held);
    TraceLog log;
    PooledThing stranger;
    EXPECT_FALSE(pool.Unload(&stranger));
    EXPECT_EQ(log.Text(),
              L"[QE+] QeResourcePoolGrowable< ThingSize, PooledThing >::Unload, Invalid item has been tried to "
              L"unload.\n");
    EXPECT_EQ(pool.InUseCount(), 1u);
}

TEST(SurfacePoolTest, PinnedItemsAreNeverHandedOutAndOutliveUnloadAll) {
    ThingSurfaces pool;
    PooledThing* source = pool.Get(8, 8);
    PooledThing* plain = pool.Get(8, 8);
    EXPECT_TRUE(pool.Pin(source));
    PooledThing stranger;
    EXPECT_FALSE(pool.Pin(&stranger));
    pool.FlushPending();
    PooledThing* next = pool.Get(8, 8, source);
    EXPECT_EQ(next, plain);
    EXPECT_NE(pool.Get(8, 8, source), source);  // a new one rather than the pinned one

    // A root resize frees all but the pinned item, and windows learn of it by the generation.
    const uint32_t generation = pool.Generation();
    pool.UnloadAll();
    EXPECT_NE(pool.Generation(), generation);
    EXPECT_EQ(pool.released, (std::vector<int>{2, 3}));
    EXPECT_EQ(pool.InUseCount(), 0u);
    EXPECT_EQ(pool.FreeCount(), 1u);
    EXPECT_FALSE(source->released);

    // Unpinned, it can be handed out again; DestroyAll then frees it.
    pool.Unpin(source);
    EXPECT_EQ(pool.Get(8, 8), source);
    pool.DestroyAll();
    EXPECT_EQ(pool.released, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(pool.FreeCount() + pool.InUseCount(), 0u);
}

TEST(SurfacePoolTest, DestroyAllFreesPinnedItemsToo) {
    ThingSurfaces pool;
    PooledThing* pinned = pool.Get(4, 4);
    pool.Pin(pinned);
    pool.UnloadAll();
    pool.DestroyAll();
    EXPECT_EQ(pool.released, (std::vector<int>{1}));
    EXPECT_EQ(pool.Get(4, 4)->serial, 2);
}

}  // namespace
