// The memo read screen's content: sender, recipients, date and text, drawn as one row so that
// the whole memo scrolls as one piece. Its display-name rule is shared with the write form.
//
// Rules callers rely on:
//   - Memo() is the record opened from the list while that record is still in MemoStore; once it
//     has left (its delete, a spam reload, a box switch, a log-out) it is null and the view shows
//     what it had. Other records leaving change nothing;
//   - the text is drawn into the row: no surface as tall as the memo is ever needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ScreenSkin.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class ImsgReceived;
class MemoRecord;

class MemoReadContentView : public QeTableView {
public:
    // The own name for the own id, else the buddy's name, else the id itself.
    static std::wstring DisplayNameOf(const std::wstring& id);
    // The display names joined by ";" with no blank; empty for no ids.
    static std::wstring JoinDisplayNames(const std::vector<std::wstring>& ids);

    bool Create();

    // The header from the list's record at once; no recipients and no text until the memo comes.
    void Fill(MemoRecord* memo);
    // Everything from the fetched memo.
    void FillFromMessage(const ImsgReceived& memo);

    MemoRecord* Memo() const;
    const std::vector<std::wstring>& Recipients() const { return m_recipients; }
    QeEdit& Content() { return m_content; }
    const std::wstring& FromName() const { return m_from.Text(); }
    const std::wstring& ToNames() const { return m_to.Text(); }

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

private:
    // Content sized to its text (at least its rectangle) and the one row put back at that height.
    void Refill(bool finishAtOnce);

    uint64_t m_serial = 0;  // of the record shown; 0 for none
    std::vector<std::wstring> m_recipients;
    QeSkinImage m_tSkin, m_mtSkin, m_mbSkin, m_lSkin, m_rSkin, m_bSkin;
    QeSkinText m_fromText, m_from, m_toText, m_to, m_date;
    QeEdit m_content;
    static ClassSkin s_skin;
};
