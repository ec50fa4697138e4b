// The memo read screen's buttons: reply, reply to all, forward, delete and report as spam, each
// acting on the memo the content view shows; nothing once that memo has left the store.
#pragma once

#include <string>
#include <vector>

#include "app/screens/common/SkinButtonBar.h"

class MemoReadContentView;

class MemoReadButtonBar : public SkinButtonBar {
public:
    MemoReadButtonBar();

    static constexpr const wchar_t* kNoReplyText = L"보낸 쪽지에는 답장을 할 수 없습니다.";
    static constexpr const wchar_t* kNoSpamText = L"보낸 쪽지는 스팸 신고를 할 수 없습니다.";
    static constexpr const wchar_t* kDeleteQuestion = L"지금 보고 있는 쪽지를 삭제하시겠습니까?";
    static constexpr const wchar_t* kSpamQuestion = L"지금 보고 있는 쪽지를 신고하시겠습니까?";

    // The sender first, then the recipients, less the first entry that is the own id.
    static std::vector<std::wstring> ReplyAllList(const std::wstring& sender, const std::vector<std::wstring>& recipients,
                                                  const std::wstring& ownId);

    bool Create(MemoReadContentView* view);
    int OnNotify(QeWindow* child, int code) override;

private:
    void Reply(bool toAll);
    void Forward();
    void Delete();
    void ReportSpam();

    QeButton m_buttons[5];  // reply, reply all, forward, delete, spam
    MemoReadContentView* m_view = nullptr;
    static ClassSkin s_skin;
};
