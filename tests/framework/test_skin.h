// A skin written in a test: markup text parsed as the loader hands it over (UTF-16LE units).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/base/QeMarkup.h"
#include "platform/system/text.h"

class TestSkin {
public:
    TestSkin() = default;
    explicit TestSkin(const std::wstring& markup) { Parse(markup); }

    // Parses the markup afresh; the element returned lives until the next call.
    const QeMarkupElement& Parse(const std::wstring& markup) {
        const std::string units = TextWideToUtf16Le(markup);
        QeMemoryReader reader(units.data(), static_cast<uint32_t>(units.size()));
        m_document = std::make_unique<QeMarkupDocument>();
        EXPECT_TRUE(m_document->Parse(reader)) << markup;
        return First();
    }
    // The first top-level element.
    const QeMarkupElement& First() const { return *m_document->Children().at(0); }

private:
    std::unique_ptr<QeMarkupDocument> m_document;
};
