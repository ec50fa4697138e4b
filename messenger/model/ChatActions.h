// What the user does in a chat, as the chat window's input bar and the screens that open chats call
// it: open a chat with a buddy, send a line (queued until the chat has a member), typing notices.
#pragma once

#include <cstddef>
#include <string>

class ChatSession;

// The one-to-one chat with the buddy: the open one when there is one (FindChatWithBuddy), else a new
// chat that waits for its RESS (State 1, PendingTrId = the RESS's id) with the buddy's login id and
// name; the chat list gains its row and the page indicator is rebuilt. Showing the window is the
// caller's. Null only when the chat model does not exist. (Named apart from the screens' own
// OpenChatWithBuddy operations, inside which a free function of that name would be hidden.)
ChatSession* ChatOpenWithBuddy(const std::wstring& buddyId, const std::wstring& name);

// Enter with a text. An empty text does nothing (false).
// With a member: MESG MSG inside CRP2 "SS", and the text written into the window as the user's own
// line ("%s (%s) 님의 말:\n%s\n" with the account's name and nickname) once it has gone out; false,
// and no line, when it could not be sent.
// Without a member: the text is queued, to go out when the first member joins. The first text queued
// asks for a chat server (RESS; State 1, PendingTrId = its id) unless the chat is opening already
// (its own RESS out, or the CONN into the room it was invited to unanswered): one room per opening.
// When the RESS cannot be sent, nothing is queued and the result is false, so that the next Enter
// asks again.
bool ChatSendText(ChatSession& chat, const std::wstring& text);

// MESG TYPING "1" / "0", only while the chat has a member; nothing is queued for them. True when
// one went out.
bool ChatSendTypingStarted(ChatSession& chat);
bool ChatSendTypingStopped(ChatSession& chat);
// After a key changed the input: one character left means typing started, none means it stopped;
// any other length sends nothing.
bool ChatTypingAfterInput(ChatSession& chat, size_t inputLength);
