#include "messenger/protocol/HandlerRegistry.h"

#include <algorithm>

#include "framework/base/QeTrace.h"
#include "messenger/protocol/MessageHandler.h"

namespace {

class HandlerTableFiller final : public CommandRegistrar {
public:
    explicit HandlerTableFiller(std::unordered_map<std::wstring, HandlerCreator>& table) : m_table(table) {}
    void Add(const wchar_t* name, ReceivedCreator, HandlerCreator handler) override {
        // Two groups claiming one command is a programming error; the first registration stays.
        if (!m_table.emplace(name, handler).second) {
            QeTrace(L"HandlerRegistry::HandlerRegistry, command %ls is registered twice; the first handler stays.\n",
                    name);
        }
    }

private:
    std::unordered_map<std::wstring, HandlerCreator>& m_table;
};

}  // namespace

HandlerRegistry::HandlerRegistry(CommandGroup groups) {
    if (groups == nullptr) return;
    HandlerTableFiller filler(m_creators);
    groups(filler);
}

std::unique_ptr<MessageHandler> HandlerRegistry::CreateHandler(const std::wstring& name) const {
    const auto found = m_creators.find(name);
    if (found == m_creators.end()) return nullptr;
    return found->second();
}

std::vector<std::wstring> HandlerRegistry::Commands() const {
    std::vector<std::wstring> names;
    for (const auto& entry : m_creators) names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}
