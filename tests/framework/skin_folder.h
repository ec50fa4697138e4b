// Tests of what controls load from the skin: a private folder registered as the images root, the
// graphics started, and skin elements written in the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "tests/framework/temp_dir.h"
#include "tests/framework/test_skin.h"

class SkinFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.Valid());
        ASSERT_TRUE(QePathTableStart());
        QePathTable::Instance()->SetRoot(0, m_dir.Path(L""));
        ASSERT_TRUE(QeGraphicsStart());
    }
    void TearDown() override {
        QeGraphicsStop();
        QePathTableStop();
    }

    // The element of the markup; it lives until the next call.
    const QeMarkupElement& Element(const std::wstring& markup) { return m_skin.Parse(markup); }

    TempDir m_dir;
    TestSkin m_skin;
};
