// The one way back from a signed-in (or signing-in) session to the login screen. Used by the
// connection loss, the keep-alive giving up, KILL, log-out and the client upgrade; the callers show
// their own message before or after it.
#pragma once

// In this order:
//   1. the keep-alive timer stops;
//   2. the session's connection is closed and its phase set to 0;
//   3. the screens drop their rows and model pointers: Screens().OnResetBegin();
//   4. the model is emptied: the buddy roster and the group map, a buddy list half loaded, the memo
//      records with the unread-memo flag, the chat sessions (deleted from the loop, after the
//      screens' half);
//   5. the pending-request table is emptied (no reply can arrive on a closed connection, so its
//      entries would only pile up over a long run);
//   6. the application's signed-in flag is cleared;
//   7. the login screen's gate: Screens().OnResetToLogin().
// Every step works on an already empty state, so a second call changes nothing.
void ResetToLogin();

// The login was accepted but the sign-in cannot finish (the buddy list will not come whole): what
// the login started is undone as ResetToLogin does, then the attempt ends as a failed one, with the
// text (the network text unless a refusal names its own) and the login form.
void FailSignInAfterLogin(const wchar_t* why = nullptr);
