#include "app/screens/common/MenuSystem.h"

ClassSkin MenuSystem::s_skin;

MenuSystem::MenuSystem() { LoadRows(s_skin, kSection, {L"그룹 추가", L"친구 추가", L"친구 요청함", L"로그아웃"}); }

int MenuSystem::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    return DrawRow(surface, index, clip, inRow, nullptr, false);
}

int MenuSystem::Selection() {
    const int32_t row = ChosenRow();
    return row >= 0 && row < kNoChoice ? row : kNoChoice;
}
