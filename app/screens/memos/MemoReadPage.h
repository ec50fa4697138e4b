// MemoReadPage "쪽지 보기": one memo and its buttons. Shows what the list filled in; refreshes
// nothing when shown.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/memos/MemoReadButtonBar.h"
#include "app/screens/memos/MemoReadContentView.h"

class MemoReadPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"MemoRead";
    static constexpr const wchar_t* kTitle = L"쪽지 보기";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    MemoReadContentView& View() { return m_view; }
    MemoReadButtonBar& ButtonBar() { return m_buttonBar; }

private:
    MemoReadButtonBar m_buttonBar;
    MemoReadContentView m_view;
    static ClassSkin s_skin;
};
