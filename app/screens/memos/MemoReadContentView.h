// The memo read screen's content: sender, recipients, date and text, drawn as one row so that
// the whole memo scrolls as one piece. Its display-name rule is shared with the write form.
#pragma once

#include <string>
#include <vector>

#include "framework/controls/QeTableView.h"

class MemoReadContentView : public QeTableView {
public:
    // The own name for the own id, else the buddy's name, else the id itself.
    static std::wstring DisplayNameOf(const std::wstring& id);
    // The display names joined by ";" with no blank; empty for no ids.
    static std::wstring JoinDisplayNames(const std::vector<std::wstring>& ids);
};
