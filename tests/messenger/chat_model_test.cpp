#include <gtest/gtest.h>

#include "messenger/model/ChatSessionManager.h"
#include "tests/support/RecordingScreens.h"

namespace {

ChatMember Member(const std::wstring& id, const std::wstring& name = L"") {
    ChatMember member;
    member.Id = id;
    member.Name = name;
    return member;
}

class ChatModelTest : public ::testing::Test {
protected:
    RecordingScreens screens;
    ChatSessionManager chats;

    ChatSession* Open(const std::wstring& buddyId, const std::wstring& sessionId = L"") {
        ChatSession* chat = chats.CreateChatSession();
        chat->BuddyId = buddyId;
        chat->SessionId = sessionId;
        return chat;
    }
};

TEST_F(ChatModelTest, ANewChatIsEmptyAndOwnsTheWindowTheScreensMade) {
    ChatSession* chat = chats.CreateChatSession();
    EXPECT_EQ(chat->State, 0u);
    EXPECT_EQ(chat->PendingTrId, 0u);
    EXPECT_EQ(chat->Port, 0);
    EXPECT_EQ(chat->Unread, 0);
    EXPECT_TRUE(chat->Members.empty() && chat->QueuedTexts.empty() && chat->SessionId.empty());
    ASSERT_EQ(screens.Count("CreateChatWindow"), 1u);
    EXPECT_EQ(screens.First("CreateChatWindow")->Session, chat);
    RecordingChatWindow* window = screens.WindowOf(chat);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(chat->Page.get(), window);
    EXPECT_EQ(chats.IndexOfChat(chat), 0);
}

TEST_F(ChatModelTest, ChatsKeepCreationOrder) {
    ChatSession* a = Open(L"a@x");
    ChatSession* b = Open(L"b@x");
    ChatSession* c = Open(L"c@x");
    EXPECT_EQ(chats.Count(), 3u);
    EXPECT_EQ(chats.ChatAt(0), a);
    EXPECT_EQ(chats.ChatAt(1), b);
    EXPECT_EQ(chats.ChatAt(2), c);
    EXPECT_EQ(chats.ChatAt(3), nullptr);
    EXPECT_EQ(chats.IndexOfChat(c), 2);
    EXPECT_EQ(chats.IndexOfChat(nullptr), -1);
}

TEST_F(ChatModelTest, MembersAreUniqueByIdAndKeepArrivalOrder) {
    ChatSession* chat = Open(L"a@x");
    EXPECT_EQ(chat->AddMember(Member(L"a@x", L"A")), 1);
    EXPECT_EQ(chat->AddMember(Member(L"b@x", L"B")), 1);
    EXPECT_EQ(chat->AddMember(Member(L"a@x", L"changed")), 0);
    EXPECT_EQ(chat->AddMember(Member(L"c@x", L"C")), 1);
    ASSERT_EQ(chat->Members.size(), 3u);
    EXPECT_EQ(chat->FindMember(L"a@x")->Name, L"A");
    EXPECT_EQ(chat->FindMember(L"A@x"), nullptr);
    EXPECT_EQ(chat->FindMember(L"a@x")->State, 2u);

    EXPECT_EQ(chat->RemoveMember(L"b@x"), 1);
    EXPECT_EQ(chat->RemoveMember(L"b@x"), 0);
    ASSERT_EQ(chat->Members.size(), 2u);
    EXPECT_EQ(chat->Members[0].Id, L"a@x");
    EXPECT_EQ(chat->Members[1].Id, L"c@x");
}

// A full chat lists no one more until somebody leaves; a known id never replaces the stored member.
TEST_F(ChatModelTest, AFullChatListsNoOneMoreUntilSomebodyLeaves) {
    ChatSession* chat = Open(L"m0");
    for (size_t i = 0; i < ChatMemberList::kMax; ++i) chat->AddMember(Member(L"m" + std::to_wstring(i), L"first"));
    // "+id" adds, "-id" removes -> the result.
    const std::pair<std::wstring, int> steps[] = {{L"+late", 0}, {L"+m5", 0}, {L"-late", 0}, {L"-m1", 1},
                                                  {L"+m7", 0},   {L"+late", 1}, {L"+later", 0}};
    for (const auto& [step, result] : steps) {
        const std::wstring id = step.substr(1);
        EXPECT_EQ(step[0] == L'+' ? chat->AddMember(Member(id, L"second")) : chat->RemoveMember(id), result) << step;
    }
    EXPECT_EQ(chat->FindMember(L"m7")->Id + chat->FindMember(L"m7")->Name, L"m7first");  // moved up, unchanged
}

TEST_F(ChatModelTest, RemovingTheOnlyMemberKeepsTheBuddyId) {
    ChatSession* chat = Open(L"a@x");
    chat->AddMember(Member(L"a@x"));
    chat->RemoveMember(L"a@x");
    EXPECT_TRUE(chat->Members.empty());
    EXPECT_EQ(chat->BuddyId, L"a@x");
}

TEST_F(ChatModelTest, QueuedTextsKeepTypingOrder) {
    ChatSession* chat = Open(L"a@x");
    chat->QueueText(L"first");
    chat->QueueText(L"두 번째");
    EXPECT_EQ(chat->QueuedTexts, (std::vector<std::wstring>{L"first", L"두 번째"}));
    chat->ClearQueue();
    EXPECT_TRUE(chat->QueuedTexts.empty());
}

TEST_F(ChatModelTest, FindChatWithBuddyTakesTheOldestChatWithFewerThanTwoMembers) {
    ChatSession* older = Open(L"a@x");
    ChatSession* newer = Open(L"a@x");
    Open(L"b@x");
    EXPECT_EQ(chats.FindChatWithBuddy(L"a@x"), older);
    older->AddMember(Member(L"a@x"));
    EXPECT_EQ(chats.FindChatWithBuddy(L"a@x"), older) << "one member is still one-to-one";
    older->AddMember(Member(L"c@x"));
    EXPECT_EQ(chats.FindChatWithBuddy(L"a@x"), newer) << "a group chat is no one-to-one chat";
    newer->AddMember(Member(L"a@x"));
    newer->AddMember(Member(L"d@x"));
    EXPECT_EQ(chats.FindChatWithBuddy(L"a@x"), nullptr);
    EXPECT_EQ(chats.FindChatWithBuddy(L"A@x"), nullptr);
}

TEST_F(ChatModelTest, SearchesByTrIdAndSessionIdFindTheOldestMatch) {
    ChatSession* a = Open(L"a@x", L"S1");
    ChatSession* b = Open(L"b@x", L"S1");
    a->PendingTrId = 12;
    b->PendingTrId = 12;
    EXPECT_EQ(chats.FindChatByTrId(12), a);
    EXPECT_EQ(chats.FindChatByTrId(13), nullptr);
    EXPECT_EQ(chats.FindChatBySessionId(L"S1"), a);
    EXPECT_EQ(chats.FindChatBySessionId(L"s1"), nullptr);
}

TEST_F(ChatModelTest, AChatWithoutSessionIdIsNotFoundByAnEmptyId) {
    Open(L"a@x");
    EXPECT_EQ(chats.FindChatBySessionId(L""), nullptr);
    EXPECT_EQ(chats.RemoveChatBySessionId(L""), 0);
    EXPECT_EQ(chats.Count(), 1u);
}

TEST_F(ChatModelTest, RemovingAChatRemovesThatVerySession) {
    // Two chats still waiting for their session id: closing the second must not take the first.
    ChatSession* waiting = Open(L"a@x");
    ChatSession* closing = Open(L"b@x");
    EXPECT_EQ(chats.RemoveChat(closing), 1);
    EXPECT_EQ(chats.Count(), 1u);
    EXPECT_EQ(chats.ChatAt(0), waiting);
    EXPECT_EQ(chats.IndexOfChat(closing), -1);
    EXPECT_EQ(chats.RemoveChat(closing), 0) << "a second removal finds nothing";
}

TEST_F(ChatModelTest, RemoveBySessionIdTakesTheOldestMatch) {
    ChatSession* a = Open(L"a@x", L"S1");
    ChatSession* b = Open(L"b@x", L"S2");
    EXPECT_EQ(chats.RemoveChatBySessionId(L"S9"), 0);
    EXPECT_EQ(chats.RemoveChatBySessionId(L"S1"), 1);
    EXPECT_EQ(chats.IndexOfChat(a), -1);
    EXPECT_EQ(chats.IndexOfChat(b), 0);
}

TEST_F(ChatModelTest, ARemovedChatIsDeletedOnlyWhenTheLoopRuns) {
    ChatSession* chat = Open(L"a@x");
    uint32_t generation = chats.Generation();
    chats.RemoveChat(chat);
    EXPECT_NE(chats.Generation(), generation);
    // Still alive: its window may be the one that asked for the removal.
    EXPECT_EQ(screens.Count("ChatWindow.Destroyed"), 0u);
    EXPECT_EQ(chats.RemovedCount(), 1u);
    EXPECT_EQ(screens.PendingTasks(), 1u);
    EXPECT_EQ(screens.RunPendingTasks(), 1u);
    EXPECT_EQ(chats.RemovedCount(), 0u);
    EXPECT_EQ(screens.Count("ChatWindow.Destroyed"), 1u);
    EXPECT_EQ(screens.Windows().size(), 0u);
}

// A window whose notification closes its own chat and then goes on touching itself and its chat.
class SelfClosingWindow : public RecordingChatWindow {
public:
    using RecordingChatWindow::RecordingChatWindow;
    void CloseFromOwnNotification() {
        ChatSessionManager::Instance()->RemoveChat(Session());
        // After the call the window and its chat must still be there for the rest of this handler.
        SetStatusText(L"closing");
        Session()->QueuedTexts.clear();
    }
};

class SelfClosingScreens : public RecordingScreens {
public:
    std::unique_ptr<ChatWindow> CreateChatWindow(ChatSession* session) override {
        auto window = std::make_unique<SelfClosingWindow>(nullptr, session);
        Last = window.get();
        return window;
    }
    SelfClosingWindow* Last = nullptr;
};

TEST(ChatRemovalFromItsWindow, TheWindowOutlivesItsOwnNotification) {
    SelfClosingScreens screens;
    ChatSessionManager chats;
    ChatSession* chat = chats.CreateChatSession();
    chat->QueueText(L"x");
    SelfClosingWindow* window = screens.Last;
    window->CloseFromOwnNotification();  // ASan reports any touch of freed memory here
    EXPECT_EQ(window->Status(), L"closing");
    EXPECT_EQ(chats.Count(), 0u);
    screens.RunPendingTasks();
    EXPECT_EQ(chats.RemovedCount(), 0u);
}

TEST_F(ChatModelTest, SeveralRemovalsBeforeTheLoopRunsAreReleasedTogether) {
    ChatSession* a = Open(L"a@x");
    ChatSession* b = Open(L"b@x");
    Open(L"c@x");
    chats.RemoveChat(b);
    chats.RemoveChat(a);
    EXPECT_EQ(screens.PendingTasks(), 1u) << "one release serves every removal";
    screens.RunPendingTasks();
    EXPECT_EQ(screens.Count("ChatWindow.Destroyed"), 2u);
    EXPECT_EQ(chats.Count(), 1u);
    // The next removal posts again.
    chats.RemoveChat(chats.ChatAt(0));
    EXPECT_EQ(screens.PendingTasks(), 1u);
    screens.RunPendingTasks();
    EXPECT_EQ(screens.Windows().size(), 0u);
}

TEST_F(ChatModelTest, DeleteAllAndClearEmptiesTheListAndReleasesEveryWindow) {
    Open(L"a@x")->Unread = 1;
    Open(L"b@x");
    EXPECT_EQ(chats.HasUnreadChat(), 1);
    chats.DeleteAllAndClear();
    EXPECT_EQ(chats.Count(), 0u);
    EXPECT_EQ(chats.HasUnreadChat(), 0);
    screens.RunPendingTasks();
    EXPECT_EQ(screens.Count("ChatWindow.Destroyed"), 2u);
}

TEST_F(ChatModelTest, UnreadIsSeenInAnyChat) {
    Open(L"a@x");
    ChatSession* b = Open(L"b@x");
    EXPECT_EQ(chats.HasUnreadChat(), 0);
    b->Unread = 1;
    EXPECT_EQ(chats.HasUnreadChat(), 1);
}

TEST(ChatModelLifetime, RemovedChatsNotYetReleasedGoWithTheManager) {
    RecordingScreens screens;
    {
        ChatSessionManager chats;
        chats.CreateChatSession();
        chats.CreateChatSession();
        chats.RemoveChat(chats.ChatAt(0));
    }
    EXPECT_EQ(screens.Count("ChatWindow.Destroyed"), 2u);
    // The posted release finds no manager and does nothing.
    EXPECT_EQ(screens.RunPendingTasks(), 1u);
}

TEST(ChatModelLifetime, WithoutScreensTheDefaultWindowServes) {
    ChatSessionManager chats;
    ChatSession* chat = chats.CreateChatSession();
    ASSERT_NE(chat->Page, nullptr);
    EXPECT_FALSE(chat->Page->IsCurrentPage());
    chats.RemoveChat(chat);  // the silent seam releases at once
    EXPECT_EQ(chats.RemovedCount(), 0u);
}

TEST(RecordingScreensTest, RecordsSeamAndWindowCallsInOrder) {
    RecordingScreens screens;
    ChatSessionManager chats;
    ChatSession* chat = chats.CreateChatSession();
    chat->BuddyId = L"kim@x";
    screens.PlayNotification(2);
    chat->Page->AppendLine(L"안녕", 2);
    chat->Page->SetStatusText(L"typing");
    screens.ChatListUpdateRow(chat);
    screens.Alert(L"oops");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{
                                   L"CreateChatWindow(chat:)",
                                   L"PlayNotification(2)",
                                   L"ChatWindow.AppendLine(chat:kim@x, 2, 안녕)",
                                   L"ChatWindow.SetStatusText(chat:kim@x, typing)",
                                   L"ChatListUpdateRow(chat:kim@x)",
                                   L"Alert(oops)",
                               }));
    RecordingChatWindow* window = screens.WindowOf(chat);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Lines(), std::vector<std::wstring>{L"안녕"});
    EXPECT_EQ(window->LineKinds(), std::vector<int>{2});
    EXPECT_EQ(window->Status(), L"typing");
    EXPECT_EQ(window->Count("AppendLine"), 1u);
    EXPECT_EQ(screens.Last("ChatListUpdateRow")->Session, chat);
    window->CurrentPage = true;
    EXPECT_TRUE(chat->Page->IsCurrentPage());

    int answer = 0;
    screens.Confirm(L"sure?", [&](int result) { answer = result; });
    EXPECT_EQ(screens.PendingConfirms(), 1u);
    EXPECT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(answer, 2);
    EXPECT_FALSE(screens.AnswerConfirm(3));
}

TEST(RecordingScreensTest, InstallsItselfAndPutsTheSilentSeamBack) {
    {
        RecordingScreens screens;
        EXPECT_EQ(&Screens(), &screens);
        Screens().ShowNotice(L"공지");
        EXPECT_EQ(screens.Count("ShowNotice"), 1u);
        EXPECT_EQ(screens.First("ShowNotice")->Text, L"공지");
    }
    EXPECT_EQ(dynamic_cast<RecordingScreens*>(&Screens()), nullptr);
}

}  // namespace
