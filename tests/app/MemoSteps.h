// What the memo screens' tests share: the started program, the list's rows read whole, taps on
// rows and buttons through the real loop with the slides ended, the box menu and the message box.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/screens/common/MenuMemoBox.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/memos/MemoReadContentView.h"
#include "messenger/model/MemoStore.h"
#include "tests/support/MessengerRig.h"

class MemoSteps : public RigTest {
protected:
    MemoListTable& table() { return app().MemoList().Table(); }
    MemoReadContentView& view() { return app().MemoRead().View(); }

    // Each row as its memo's cookie, or "more: " and the More row's text.
    std::vector<std::wstring> Rows() {
        table().FinishAnimation();
        std::vector<std::wstring> rows;
        for (int32_t i = 0; i < table().GetItemCount(); ++i) {
            auto* memo = reinterpret_cast<MemoRecord*>(table().GetItem(i)->userValue);
            rows.push_back(memo != nullptr ? memo->Cookie : L"more: " + table().MoreText());
        }
        return rows;
    }
    // A page is taller than the table.
    void ScrollTo(int32_t index) {
        table().FinishAnimation();
        const TableItem* item = table().GetItem(index);
        ASSERT_NE(item, nullptr);
        table().AxisY().SetPosition(std::min(0, table().AxisY().ViewSize() - item->y - item->fullHeight));
        table().Invalidate(RECT{0, 0, 0, 0}, true);
        rig.Settle();
    }
    void TapRow(int32_t index) {
        ScrollTo(index);
        rig.TapRow(table(), index);
    }
    // Each step through the loop, with the slides ended.
    void Step(const std::function<void()>& action) {
        action();
        rig.Pass(600);
    }
    void OpenRow(int32_t index) { Step([&] { TapRow(index); }); }
    void Back() { Step([&] { app().StatusBarWindow().OnBack(); }); }
    void OpenForm() { Step([&] { app().SwitchView(&app().MemoWrite(), kSwitchCoverUpwards, false); }); }
    void TapButton(const wchar_t* name) { Step([&] { rig.Tap({L"MemoRead", L"ButtonBar", name}); }); }
    // The status bar's mode and title.
    std::pair<int, std::wstring> Bar() {
        StatusBar& bar = app().StatusBarWindow();
        return {bar.Mode(), bar.TitleStrip().Title().Text().Text()};
    }
    // Reply, reply all and forward tapped on the read page in turn, each gone back from: the form
    // shown with its kind, the memo's cookie, the recipients and the message.
    void ExpectButtonsFillTheForm(const std::wstring& cookie, const std::vector<std::wstring>& replyAll,
                                  const std::wstring& text) {
        const struct {
            const wchar_t* button;
            uint32_t kind;
            std::vector<std::wstring> recipients;
            std::wstring message;
        } cases[] = {
            {L"ReplyButton", 2, {replyAll.at(0)}, L""},
            {L"ReplyAllButton", 3, replyAll, L""},
            {L"ForwardButton", 1, {}, text},
        };
        for (const auto& c : cases) {
            TapButton(c.button);
            MemoWriteForm& form = app().MemoWrite().Form();
            EXPECT_EQ(std::make_tuple(app().CurrentPage() == &app().MemoWrite(), Bar(), form.Kind(), form.ReferenceCookie(),
                                      form.Recipients(), form.Message().GetText()),
                      std::make_tuple(true, std::make_pair(1, std::wstring(L"쪽지 쓰기")), c.kind, cookie, c.recipients,
                                      c.message))
                << c.button;
            Back();
        }
    }
    // The title bar's box menu, closed on the box.
    void ChooseBox(int32_t box) {
        rig.Tap({L"MemoList", L"TitleBar", L"BoxButton"});
        auto* menu = dynamic_cast<MenuMemoBox*>(QePopup::Current());
        ASSERT_NE(menu, nullptr);
        menu->List().SetSelection(box);
        menu->Close(1);
        rig.Settle();
    }
    // The text of the open message box, closed with the result.
    static std::wstring TakeAlert(int result = 0) {
        auto* box = dynamic_cast<MsgBox*>(QePopup::Current());
        if (box == nullptr) return L"(none)";
        const std::wstring text = box->Text().GetText();
        box->Close(result);
        return text;
    }
    static std::vector<std::wstring> Plus(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};
