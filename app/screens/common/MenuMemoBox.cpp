#include "app/screens/common/MenuMemoBox.h"

ClassSkin MenuMemoBox::s_skin;

MenuMemoBox::MenuMemoBox() { LoadRows(s_skin, kSection, {L"받은 쪽지함", L"보낸 쪽지함"}); }

int MenuMemoBox::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    return DrawRow(surface, index, clip, inRow, nullptr, false);
}

int MenuMemoBox::Selection() {
    const int32_t row = ChosenRow();
    return row >= 0 && row < kNoChoice ? row : kNoChoice;
}
