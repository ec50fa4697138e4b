#include "messenger/protocol/SharedMessages.h"

#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/MessageHandler.h"

void RegisterCodeCheckCommands(CommandRegistrar& registrar) {
    registrar.Command<AlrmReceived, CodeCheckHandler>(L"ALRM");
    registrar.Command<CalmReceived, CodeCheckHandler>(L"CALM");
    registrar.Command<InckReceived, CodeCheckHandler>(L"INCK");
    registrar.Command<LoptReceived, CodeCheckHandler>(L"LOPT");
    registrar.Command<PackReceived, CodeCheckHandler>(L"PACK");
    registrar.Command<PnakReceived, CodeCheckHandler>(L"PNAK");
    registrar.Command<WhspReceived, CodeCheckHandler>(L"WHSP");
}
