// How command groups put their classes into the dispatch tables. Each group of commands has one
// registration function that names, for every command it accepts, the received class and the
// handler; RegisterAllCommands calls every group. MessageFactory and HandlerRegistry each run the
// groups through a registrar of their own, so both tables always hold the same commands.
#pragma once

#include <cstdint>
#include <memory>

class ReceivedMessage;
class MessageHandler;

using ReceivedCreator = std::unique_ptr<ReceivedMessage> (*)(int32_t trId);
using HandlerCreator = std::unique_ptr<MessageHandler> (*)();

template <class Received>
std::unique_ptr<ReceivedMessage> CreateReceivedOf(int32_t trId) {
    return std::make_unique<Received>(trId);
}

template <class Handler>
std::unique_ptr<MessageHandler> CreateHandlerOf() {
    return std::make_unique<Handler>();
}

class CommandRegistrar {
public:
    virtual ~CommandRegistrar() = default;

    // One accepted command: the class its frames are read into and the handler that acts on them.
    template <class Received, class Handler>
    void Command(const wchar_t* name) {
        Add(name, &CreateReceivedOf<Received>, &CreateHandlerOf<Handler>);
    }

    virtual void Add(const wchar_t* name, ReceivedCreator received, HandlerCreator handler) = 0;
};

using CommandGroup = void (*)(CommandRegistrar& registrar);

// Every command group the program has; a group is added here once its classes exist.
void RegisterAllCommands(CommandRegistrar& registrar);
