// What a tap on a buddy opens: with ChatType 1 (and the memo choice allowed) the memo write page;
// else, for a buddy who is not offline, the one-to-one chat with it (the open one, or a new one
// that asks for a chat server) on its own page. Nothing for an offline buddy.
#pragma once

class Buddy;

void OpenChatWithBuddy(Buddy& buddy, bool allowMemo);
