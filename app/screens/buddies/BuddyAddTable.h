// The buddy add form: four fixed rows (id, domain, message, group) with the three edits and the
// domain button lying over the first three. The chosen group name is "기타" until the group
// chooser hands another back; the edits and the name keep their contents between visits.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class QePopup;

class BuddyAddTable : public QeTableView {
public:
    static constexpr int32_t kRowCount = 4;
    static constexpr int32_t kGroupRow = 3;

    // Loads the elements and the widgets and adds the four rows, at full height at once. True.
    bool Create();

    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnPenUp(int x, int y) override;
    int OnNotify(QeWindow* child, int code) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

    // The domain menu, popped up over the form; OnAccountChosen reads its choice.
    void ShowAccountMenu();
    // The menu's callback, the table as context: a listed domain fills the domain field read-only,
    // "직접 입력" empties it for typing. Only result 1 acts.
    static void OnAccountChosen(void* context, QePopup* menu, int result);

    const std::wstring& ChosenGroupName() const { return m_chosenGroupName; }
    void SetChosenGroupName(const std::wstring& name);

    QeEdit& IdEdit() { return m_idEdit; }
    QeEdit& AccountEdit() { return m_accountEdit; }
    QeButton& AccountButton() { return m_accountButton; }
    QeEdit& RequestMessage() { return m_requestMessage; }

private:
    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinText m_lText;
    QeSkinText m_rText;
    QeSkinImage m_idSkin;
    QeEdit m_idEdit;
    QeSkinImage m_accountSkin;
    QeEdit m_accountEdit;
    QeButton m_accountButton;
    QeEdit m_requestMessage;
    std::wstring m_chosenGroupName = L"기타";
    QeSkinImage m_disclosureButton;
    static ClassSkin s_skin;
    static CaptionColors s_captionColors;
};
