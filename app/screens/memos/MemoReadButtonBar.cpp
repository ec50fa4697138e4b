#include "app/screens/memos/MemoReadButtonBar.h"

#include <algorithm>
#include <iterator>

#include "app/MessengerApp.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/memos/MemoReadContentView.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/MemoRequests.h"

ClassSkin MemoReadButtonBar::s_skin;

namespace {

constexpr const wchar_t* kSection = L"MemoRead";
constexpr const wchar_t* kNames[] = {L"ReplyButton", L"ReplyAllButton", L"ForwardButton", L"DeleteButton", L"SpamButton"};

bool InSentBox() {
    const MemoStore* store = MemoStore::Instance();
    return store != nullptr && store->CurrentBox == kMemoSentBox;
}

void GoBack() {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}

void OpenForm() {
    if (MessengerApp* app = MessengerApp::Instance()) app->SwitchView(&app->MemoWrite(), kSwitchCoverUpwards, false);
}

MemoWriteForm* Form() {
    MessengerApp* app = MessengerApp::Instance();
    return app != nullptr ? &app->MemoWrite().Form() : nullptr;
}

}  // namespace

std::vector<std::wstring> MemoReadButtonBar::ReplyAllList(const std::wstring& sender,
                                                          const std::vector<std::wstring>& recipients,
                                                          const std::wstring& ownId) {
    std::vector<std::wstring> list{sender};
    list.insert(list.end(), recipients.begin(), recipients.end());
    if (auto own = std::find(list.begin(), list.end(), ownId); own != list.end()) list.erase(own);
    return list;
}

MemoReadButtonBar::MemoReadButtonBar() : SkinButtonBar(kSection, s_skin) {
    for (size_t i = 0; i < std::size(m_buttons); ++i) Place(m_buttons[i], kNames[i]);
}

bool MemoReadButtonBar::Create(MemoReadContentView* view) {
    m_view = view;
    return SkinButtonBar::Create();
}

int MemoReadButtonBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    if (child == &m_buttons[0]) Reply(false);
    if (child == &m_buttons[1]) Reply(true);
    if (child == &m_buttons[2]) Forward();
    if (child == &m_buttons[3]) Delete();
    if (child == &m_buttons[4]) ReportSpam();
    return 1;
}

void MemoReadButtonBar::Reply(bool toAll) {
    const MemoRecord* memo = m_view->Memo();
    MemoWriteForm* form = Form();
    if (memo == nullptr || form == nullptr) return;
    if (InSentBox()) {
        MsgBox::Alert(kNoReplyText);
        return;
    }
    if (toAll) {
        const AccountInfo* account = AccountInfo::Instance();
        form->PrepareReplyAll(memo->Cookie, ReplyAllList(memo->Sender, m_view->Recipients(),
                                                         account != nullptr ? account->Id : std::wstring()));
    } else {
        form->PrepareReply(memo->Cookie, memo->Sender);
    }
    OpenForm();
}

void MemoReadButtonBar::Forward() {
    const MemoRecord* memo = m_view->Memo();
    MemoWriteForm* form = Form();
    if (memo == nullptr || form == nullptr) return;
    form->PrepareForward(memo->Cookie, m_view->Content().GetText());
    OpenForm();
}

void MemoReadButtonBar::Delete() {
    if (m_view->Memo() == nullptr) return;
    MemoReadContentView* view = m_view;
    MsgBox::Confirm(kDeleteQuestion, [view](int result) {
        MemoRecord* memo = view->Memo();
        MessengerApp* app = MessengerApp::Instance();
        if (result != MsgBox::kResultYes || memo == nullptr || app == nullptr) return;
        RequestMemoDelete(memo->Cookie);
        app->MemoList().Table().RemoveMemoRow(memo);
        app->MenuBarWindow().HideSip();
        GoBack();
    });
}

void MemoReadButtonBar::ReportSpam() {
    if (m_view->Memo() == nullptr) return;
    if (InSentBox()) {
        MsgBox::Alert(kNoSpamText);
        return;
    }
    MemoReadContentView* view = m_view;
    MsgBox::Confirm(kSpamQuestion, [view](int result) {
        const MemoRecord* memo = view->Memo();
        MessengerApp* app = MessengerApp::Instance();
        const MemoStore* store = MemoStore::Instance();
        if (result != MsgBox::kResultYes || memo == nullptr || app == nullptr || store == nullptr) return;
        ReportMemoSpam(memo->Cookie);
        app->MemoList().Table().SwitchBox(store->CurrentBox);
        GoBack();
    });
}
