// What the program presents when little or nothing changes, counted by the headless presenter on
// the test clock: nothing while the screen stands still, a present only where the picture changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/screens/chats/ChatOutputView.h"
#include "app/screens/chats/ChatPage.h"
#include "framework/controls/QeEdit.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/view/QeRect.h"
#include "messenger/model/ChatSessionManager.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/support/MessengerRig.h"

namespace {

// Passes every present on to the presenter it replaces and counts those whose picture is the one
// the present before showed.
class SamePictureCount : public Presenter {
public:
    SamePictureCount() : m_next(&CurrentPresenter()), m_replaced(SetPresenter(this)) {}
    ~SamePictureCount() override { SetPresenter(m_replaced); }

    void Painted(HWND window, const RECT& area) override {
        m_next->Painted(window, area);
        RECT client{};
        GetClientRect(window, &client);
        std::vector<std::uint32_t> picture(static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom));
        CopyFramebuffer(window, client, picture.data(), picture.size());
        if (picture == m_last) ++same;
        m_last = std::move(picture);
    }

    int same = 0;

private:
    Presenter* m_next;
    Presenter* m_replaced;
    std::vector<std::uint32_t> m_last;
};

// A plain patch of colour, drawn over whatever lies under it.
class Patch : public QeWindow {
public:
    int Draw(QeSurface* surface, const RECT& rect) override { return surface->FillSolid(RGB(0x12, 0x34, 0x56), rect); }
};

class PresentsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.Start()); }
    void TearDown() override { rig.App().SetCurrentView(nullptr); }

    SamePictureCount pictures;
    MessengerRig rig;
};

TEST_F(PresentsTest, TheLoginScreenOfAFirstStartLeftAlonePresentsNothingMore) {
    rig.Settle();
    ASSERT_GT(HeadlessPresents(), 0);
    const long first = HeadlessPresents();
    rig.Pass(3000);
    EXPECT_EQ(HeadlessPresents(), first);
    EXPECT_EQ(pictures.same, 0);
}

TEST_F(PresentsTest, AFocusedChatInputPresentsEachStepOfTheSlideOnceAndItsCaretAloneOnlyWhenItChangesColour) {
    ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
    chat->BuddyId = L"yuna@tevrik.example";
    chat->DisplayName = L"유나";
    ChatPage* page = ChatPageOf(chat);
    rig.Settle();
    // The page slides in over the login screen: one present for each step of the slide.
    rig.App().SwitchView(page, kSwitchCoverUpwards, false);
    for (int step = 0; step < 60; ++step) {
        const long before = HeadlessPresents();
        rig.Advance(10);
        EXPECT_LE(HeadlessPresents() - before, 1) << "step " << step;
    }
    QeEdit& input = page->InputBar().Input();
    rig.TapIn(input.GetScreenRect(), 1);
    rig.Settle();
    ASSERT_TRUE(input.HasFocus());

    const RECT caret = input.LocalToScreen(input.ContentToLocal(input.Selection().CaretRect()));
    int changes = 0;
    const long first = HeadlessPresents();
    COLORREF last = FramebufferPixel(rig.Window(), caret.left, caret.top);
    for (int tick = 0; tick < 300; ++tick) {
        rig.Advance(10);
        const COLORREF now = FramebufferPixel(rig.Window(), caret.left, caret.top);
        changes += now != last ? 1 : 0;
        last = now;
    }
    EXPECT_GT(changes, 100) << "the caret fades";
    EXPECT_LE(HeadlessPresents() - first, changes);
    EXPECT_EQ(pictures.same, 0);

    // Each change shows what a frame of the whole window would, and goes to the screen alone
    // unless a window (a patch over the caret's lower half) lies over it.
    QeWindow& bar = *input.Parent();
    Patch patch;
    for (const bool covered : {false, true}) {
        SCOPED_TRACE(covered ? "covered" : "uncovered");
        if (covered) {
            bar.AddChild(&patch);
            patch.SetRect(bar.ScreenToLocal(RECT{caret.left - 3, (caret.top + caret.bottom) / 2, caret.right + 3, caret.bottom}));
            patch.SetVisible(true);
            patch.Invalidate(RECT{0, 0, 0, 0}, true);
            rig.Settle();
        }
        int alone = 0;
        changes = 0;
        for (int tick = 0; tick < 40; ++tick) {
            const uint32_t requests = QeMainWindow::Instance()->invalidations;
            rig.Advance(10);
            const COLORREF now = FramebufferPixel(rig.Window(), caret.left, caret.top);
            if (now == last) continue;
            last = now;
            ++changes;
            alone += QeMainWindow::Instance()->invalidations == requests ? 1 : 0;
            // A frame of the whole window at the same moment presents the same picture.
            const int same = pictures.same;
            QeMainWindow::Instance()->Invalidate(RECT{0, 0, 10000, 10000}, true);
            rig.Settle();
            EXPECT_EQ(pictures.same, same + 1) << "tick " << tick;
        }
        EXPECT_GT(changes, 10);
        EXPECT_EQ(alone, covered ? 0 : changes);
    }
    bar.RemoveChild(&patch);
}

}  // namespace

namespace {

TEST_F(PresentsTest, ALineReceivedInALongChatPresentsEachLookOfTheFadingScrollBarOnce) {
    ChatPage* page = ChatPageOf(ChatSessionManager::Instance()->CreateChatSession());
    rig.App().SetCurrentView(page);
    for (int line = 0; line < 30; ++line) page->AppendLine(L"유나 님의 말:\n안녕\n", 2);
    page->InputBar().Input().SetFocus(false);  // no caret: the bar alone changes the picture
    rig.Pass(3000);
    QeEdit& output = page->View().Output();
    // The track holds the bar wherever the line scrolls the chat to; the lines stop short of it.
    const RECT track = output.LocalToScreen(output.IndicatorY().TrackRect());
    std::vector<std::uint32_t> last(static_cast<size_t>((track.right - track.left) * (track.bottom - track.top)));
    std::vector<std::uint32_t> now = last;
    CopyFramebuffer(rig.Window(), track, last.data(), last.size());
    const long first = HeadlessPresents();
    // From the loop, as a line that came over the network, at the time the loop saw it come.
    QeRunLater([page] { page->AppendLine(L"유나 님의 말:\n하나 더\n", 2); });
    int looks = 0;
    for (int tick = 0; tick < 150; ++tick) {
        rig.Advance(tick == 0 ? 0 : 10);
        CopyFramebuffer(rig.Window(), track, now.data(), now.size());
        looks += now != last ? 1 : 0;
        last.swap(now);
    }
    EXPECT_EQ(looks, 1 + QeScrollIndicator::kFadeSteps);  // shown, then each step of the fade
    EXPECT_EQ(HeadlessPresents() - first, looks);
    EXPECT_EQ(pictures.same, 0);
}

}  // namespace
