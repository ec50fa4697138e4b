// The loaded skin: every screen and widget reads its layout from this one document, whose top
// element is "Tevrik" with one section per window.
#pragma once

#include <cstdint>
#include <string>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeSingleton.h"

class SkinDocument : public QeSingleton<SkinDocument> {
public:
    SkinDocument();

    // Reads the file (a full path, or one the path table resolves) into the document. False for a
    // file that cannot be read or parsed, and for one without "Tevrik": that is not this
    // program's skin.
    bool Load(const std::wstring& path);

    QeMarkupDocument& Document() { return m_document; }
    // "Tevrik", or null before a successful load.
    const QeMarkupElement* Top() const { return m_top; }

    // Counts the loads of the process; values read from the skin remember the load they came
    // from, so a record read from an earlier skin is read again.
    static uint64_t Generation();

private:
    QeMarkupDocument m_document;
    const QeMarkupElement* m_top = nullptr;
};
