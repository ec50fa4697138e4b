// The benchmarks' signed-in client: an account of the service stand-in with many buddies and memos,
// and a driven client (tests/e2e/DriveLink.h) on the real clock that signs in to it through the
// login form and settles on the buddy list.
#pragma once

#include <string>

#include "tests/e2e/DriveHarness.h"
#include "tools/service/TestService.h"

// The service's seed: "owner@tevrik.example" (password "1234") with `buddies` buddies spread over
// `groups` groups, and `memos` memos in the inbox. "buddy0" (password "x") has the owner as a buddy.
std::string AccountSeed(int buddies, int groups, int memos);

// Starts the client against the service, signs in (the owner, or `id` of the seed, without its
// domain) and waits until the sign-in's last answer (the memo count) is in and the buddy list is
// still. False with `why` set when it did not.
bool SignInAndSettle(DrivenClient& client, tevrik_service::TestService& service, const DriveOptions& options,
                     std::string* why, const std::string& id = "owner", const std::string& password = "1234");
