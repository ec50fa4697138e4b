// MemoWritePage, the memo form "쪽지 쓰기".
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/memos/MemoWriteForm.h"

class MemoWritePage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"MemoWrite";
    static constexpr const wchar_t* kTitle = L"쪽지 쓰기";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    MemoWriteForm& Form() { return m_form; }

private:
    MemoWriteForm m_form;
    static ClassSkin s_skin;
};
