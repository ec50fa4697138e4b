#include "app/SkinDocument.h"

#include <atomic>

namespace {
std::atomic<uint64_t> g_generation{0};
}  // namespace

SkinDocument::SkinDocument() = default;

bool SkinDocument::Load(const std::wstring& path) {
    m_top = nullptr;
    m_document.Clear();
    ++g_generation;
    if (!m_document.Load(path)) return false;
    m_top = m_document.FindChild(L"Tevrik");
    return m_top != nullptr;
}

uint64_t SkinDocument::Generation() { return g_generation.load(); }
