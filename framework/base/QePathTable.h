// Root folders that relative file names are resolved against, and the questions every start-up
// asks of the platform: where the program lies and how large the screen is.
#pragma once

#include <string>

#include "framework/base/QeSingleton.h"

// The roots themselves, apart from the singleton: a start that reads files before the framework
// stands resolves their names with roots of its own, exactly as the table will.
class QePathRoots {
public:
    static constexpr int kRootCount = 4;

    // Stores the folder without one trailing "/" or "\". Indexes outside 0-3 are ignored.
    void SetRoot(int index, const std::wstring& folder);
    // Empty for an index outside 0-3 or a root not yet set.
    const std::wstring& Root(int index) const;
    // Joins a relative path of more than 2 characters to the root with one "\" between them; a
    // path that names a drive ("C:..."), a short path and an empty root come back unchanged.
    void Resolve(std::wstring& out, int index, const std::wstring& path) const;

private:
    std::wstring m_roots[kRootCount];
};

class QePathTable : public QeSingleton<QePathTable>, public QePathRoots {};

// Creates the path table; true.
bool QePathTableStart();
// Deletes the path table that QePathTableStart made.
void QePathTableStop();

// The folder of the running program, ending in "\"; empty when the program's path is unknown.
void QeModuleDirectory(std::wstring& out);

int QeScreenWidth();
int QeScreenHeight();
