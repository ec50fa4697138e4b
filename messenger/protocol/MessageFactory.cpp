#include "messenger/protocol/MessageFactory.h"

#include <algorithm>

#include "framework/base/QeTrace.h"
#include "messenger/protocol/ProtocolMessage.h"

namespace {

const char* const kPayloadCommands[] = {"CMSG", "CRP2", "CSES", "CTOC", "LIN2", "LSTA", "MVBG", "WGET"};

class ReceivedTableFiller final : public CommandRegistrar {
public:
    explicit ReceivedTableFiller(std::unordered_map<std::wstring, ReceivedCreator>& table) : m_table(table) {}
    void Add(const wchar_t* name, ReceivedCreator received, HandlerCreator) override {
        // Two groups claiming one command is a programming error; the first registration stays.
        if (!m_table.emplace(name, received).second) {
            QeTrace(L"MessageFactory::MessageFactory, command %ls is registered twice; the first class stays.\n", name);
        }
    }

private:
    std::unordered_map<std::wstring, ReceivedCreator>& m_table;
};

}  // namespace

MessageFactory::MessageFactory(CommandGroup groups) {
    if (groups == nullptr) return;
    ReceivedTableFiller filler(m_creators);
    groups(filler);
}

std::unique_ptr<ReceivedMessage> MessageFactory::CreateReceived(const std::wstring& name, int32_t trId) const {
    const auto found = m_creators.find(name);
    if (found == m_creators.end()) return nullptr;
    return found->second(trId);
}

bool MessageFactory::IsPayloadCommand(std::string_view name) const {
    return std::any_of(std::begin(kPayloadCommands), std::end(kPayloadCommands),
                       [name](const char* command) { return name == command; });
}

std::vector<std::wstring> MessageFactory::Commands() const {
    std::vector<std::wstring> names;
    for (const auto& entry : m_creators) names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}
