// Turns a command name into a new handler for it.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "messenger/protocol/CommandRegistrar.h"

class HandlerRegistry : public QeSingleton<HandlerRegistry> {
public:
    // Filled once here by the command groups; the table never changes afterwards.
    explicit HandlerRegistry(CommandGroup groups = &RegisterAllCommands);

    // A new handler, or null for a name outside the table.
    std::unique_ptr<MessageHandler> CreateHandler(const std::wstring& name) const;
    // The commands in the table, sorted.
    std::vector<std::wstring> Commands() const;

private:
    std::unordered_map<std::wstring, HandlerCreator> m_creators;
};
