#include "app/SkinDocument.h"

#include <atomic>

#include "app/StartAhead.h"
#include "framework/base/QePathTable.h"

namespace {
std::atomic<uint64_t> g_generation{0};
}  // namespace

SkinDocument::SkinDocument() = default;

bool SkinDocument::Load(const std::wstring& path) {
    m_top = nullptr;
    m_document.Clear();
    ++g_generation;
    std::wstring resolved = path;
    if (const QePathTable* paths = QePathTable::Instance()) paths->Resolve(resolved, 2, path);
    bool read = false;
    if (!StartAhead::TakeSkin(resolved, m_document, read)) read = m_document.LoadFile(resolved);
    if (!read) return false;
    m_top = m_document.FindChild(L"Tevrik");
    return m_top != nullptr;
}

uint64_t SkinDocument::Generation() { return g_generation.load(); }
