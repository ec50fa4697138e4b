#include "messenger/protocol/CommandRegistrar.h"

#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/SharedMessages.h"

void RegisterAllCommands(CommandRegistrar& registrar) {
    RegisterCodeCheckCommands(registrar);
    RegisterEnvelopeCommands(registrar);
}
