// The stand-in's seed for the benchmarks that sign in: the account "owner@tevrik.example" (password
// "1234") keeping `buddies` buddies spread over `groups` groups, every buddy an account of its own,
// and `memos` unread memos from the first buddies in the owner's inbox.
#pragma once

#include <string>

std::string OwnerSeed(int buddies, int groups, int memos);
