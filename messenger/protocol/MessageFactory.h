// Turns a command name into a new received message of that command's class, and knows which
// commands carry a payload after their line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "messenger/protocol/CommandRegistrar.h"

class MessageFactory : public QeSingleton<MessageFactory> {
public:
    // Filled once here by the command groups; the table never changes afterwards.
    explicit MessageFactory(CommandGroup groups = &RegisterAllCommands);

    // A new message of the command's class with that id, or null for a name outside the table.
    std::unique_ptr<ReceivedMessage> CreateReceived(const std::wstring& name, int32_t trId) const;
    // "CMSG", "CRP2", "CSES", "CTOC", "LIN2", "LSTA", "MVBG", "WGET", compared exactly.
    bool IsPayloadCommand(std::string_view name) const;
    // The commands in the table, sorted.
    std::vector<std::wstring> Commands() const;

private:
    std::unordered_map<std::wstring, ReceivedCreator> m_creators;
};
