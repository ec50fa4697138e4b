#include "framework/base/QePathTable.h"

#include "platform/windows/metrics.h"
#include "platform/system/module.h"

namespace {
QePathTable* g_owned = nullptr;
const std::wstring kEmpty;
}  // namespace

void QePathRoots::SetRoot(int index, const std::wstring& folder) {
    if (index < 0 || index >= kRootCount) return;
    std::wstring root = folder;
    if (!root.empty() && (root.back() == L'/' || root.back() == L'\\')) root.pop_back();
    m_roots[index] = std::move(root);
}

const std::wstring& QePathRoots::Root(int index) const {
    if (index < 0 || index >= kRootCount) return kEmpty;
    return m_roots[index];
}

void QePathRoots::Resolve(std::wstring& out, int index, const std::wstring& path) const {
    const std::wstring& root = Root(index);
    if (path.size() <= 2 || path[1] == L':' || root.empty()) {
        out = path;
        return;
    }
    // Built aside first: out may be the path itself.
    std::wstring joined = root;
    if (path[0] != L'/' && path[0] != L'\\') joined += L'\\';
    joined += path;
    out = std::move(joined);
}

bool QePathTableStart() {
    delete g_owned;  // a second start replaces the table instead of leaking it
    g_owned = new QePathTable();
    return true;
}

void QePathTableStop() {
    delete g_owned;
    g_owned = nullptr;
}

void QeModuleDirectory(std::wstring& out) {
    // As long as the path is, not cut at a fixed buffer.
    const std::wstring path = ModuleFileName();
    const size_t slash = path.rfind(L'\\');
    out = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

int QeScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int QeScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
