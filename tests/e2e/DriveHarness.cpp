#include "tests/e2e/DriveHarness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "platform/system/file.h"
#include "platform/system/registry.h"
#include "platform/windows/input.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SkinRect.h"
#include "tools/service/TestService.h"

SkinLayout::SkinLayout() { m_document.Load(PathFromNative(TEVRIK_ASSETS_DIR "/Image/Skin.dat")); }

const QeMarkupElement* SkinLayout::Find(std::initializer_list<const wchar_t*> path) const {
    const QeMarkupElement* element = m_document.FindChild(L"Tevrik");
    for (const wchar_t* name : path) element = element != nullptr ? element->FindChild(name) : nullptr;
    return element;
}

RECT SkinLayout::Rect(std::initializer_list<const wchar_t*> path, POINT origin) const {
    return SkinPathRect(m_document.FindChild(L"Tevrik"), path, origin);
}

POINT SkinLayout::Center(std::initializer_list<const wchar_t*> path, POINT origin) const {
    const RECT rect = Rect(path, origin);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT SkinLayout::Row(std::initializer_list<const wchar_t*> table, int index, const wchar_t* element) const {
    const RECT view = Rect(table);
    const QeMarkupElement* found = Find(table);
    const int height = found != nullptr ? ParseInt(found->FindChild(L"_TableViewItemHeight")) : 0;
    const QeMarkupElement* part = found != nullptr ? found->FindChild(element) : nullptr;
    const RECT inRow = ParseRect(part != nullptr ? part->FindChild(L"_Rect") : nullptr);
    return POINT{view.left + (inRow.left + inRow.right) / 2, view.top + height * index + (inRow.top + inRow.bottom) / 2};
}

int SkinLayout::Number(std::initializer_list<const wchar_t*> path) const { return ParseInt(Find(path)); }

namespace {

// Written with the registry code the client reads, into the client's own settings folder.
bool StoreConsent(const std::string& configFolder) {
    testsupport::ScopedEnv folder("XDG_CONFIG_HOME", configFolder.c_str());
    RegistryDropStore();
    HKEY key = nullptr;
    const DWORD agreed = 1;
    bool stored = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quandell\\ZevivoZadoruvuv", 0, nullptr, 0, 0, nullptr,
                                  &key, nullptr) == ERROR_SUCCESS;
    stored = stored && RegSetValueExW(key, L"AgreedWithWirelessConnection", 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&agreed), sizeof agreed) == ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    RegistryDropStore();
    return stored;
}

}  // namespace

DrivenClient::~DrivenClient() {
    if (m_socket >= 0) close(m_socket);
    m_child.Kill();
}

bool DrivenClient::Start(tevrik_service::TestService& service, DriveOptions options) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (listener >= 0) close(listener);
        return false;
    }
    const std::string ca = m_files.File("ca.pem");
    testsupport::WriteBytes(ca, service.CaCertPem());
    // Fontconfig keeps a cache to the end of the process, as the tests' own main says.
    testsupport::WriteBytes(m_files.File("lsan.supp"), "leak:libfontconfig\n");
    std::vector<std::pair<std::string, std::string>> changes{
        {"TEVRIK_DRIVE_PORT", std::to_string(ntohs(address.sin_port))},
        {"TEVRIK_DRIVE_TRACE", m_files.File("trace.txt")},
        {"SDL_VIDEODRIVER", "offscreen"},
        {"SDL_AUDIODRIVER", "dummy"},
        {"XDG_CONFIG_HOME", m_config.Path()},
        {"XDG_RUNTIME_DIR", m_runtime.Path()},
        {"SSL_CERT_FILE", ca},
        {"SSL_CERT_DIR", "/nonexistent"},
        {"TEVRIK_LOGIN_HOST", "127.0.0.1"},
        {"TEVRIK_LOGIN_PORT", std::to_string(service.LoginPort())},
        {"LSAN_OPTIONS", "suppressions=" + m_files.File("lsan.supp")},
    };
    if (options.headless) changes.emplace_back("TEVRIK_DRIVE_HEADLESS", "1");
    if (options.realClock) changes.emplace_back("TEVRIK_DRIVE_REAL_CLOCK", "1");
    if (!options.presentLog.empty()) changes.emplace_back("TEVRIK_PRESENT_LOG", options.presentLog);
    if (options.consentStored && !StoreConsent(m_config.Path())) {
        close(listener);
        return false;
    }
    bool started = m_child.Start(TEVRIK_DRIVEN_CLIENT, changes);
    pollfd wait{listener, POLLIN, 0};
    started = started && poll(&wait, 1, 10000) == 1;
    m_socket = started ? accept(listener, nullptr, nullptr) : -1;
    close(listener);
    return m_socket >= 0;
}

std::string DrivenClient::Do(const std::string& line) {
    const std::string out = line + "\n";
    if (m_socket < 0 || send(m_socket, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) {
        return "error link";
    }
    const long long deadline = MonotonicNanoseconds() + 20'000'000'000ll;
    for (;;) {
        const size_t end = m_received.find('\n');
        if (end != std::string::npos) {
            std::string answer = m_received.substr(0, end);
            m_received.erase(0, end + 1);
            return answer;
        }
        const long long left = (deadline - MonotonicNanoseconds()) / 1'000'000;
        pollfd wait{m_socket, POLLIN, 0};
        char buffer[4096];
        const ssize_t got = left > 0 && poll(&wait, 1, static_cast<int>(left)) == 1 ? recv(m_socket, buffer, sizeof buffer, 0) : -1;
        if (got <= 0) return "error link";
        m_received.append(buffer, static_cast<size_t>(got));
    }
}

bool DrivenClient::Still() { return Run("settle") && Run("advance 1000") && Run("settle"); }

std::string DrivenClient::State() {
    const std::string answer = Do("state");
    return answer.rfind("state ", 0) == 0 ? answer.substr(6) : answer;
}

POINT DrivenClient::PopupOrigin() {
    std::smatch at;
    const std::string state = State();
    if (!std::regex_search(state, at, std::regex("\"@(-?\\d+),(-?\\d+) "))) return POINT{-1000, -1000};
    return POINT{std::stoi(at[1]), std::stoi(at[2])};
}

std::string DrivenClient::Shot(const std::string& name) {
    const std::string path = m_files.File(name + ".png");
    return Still() && Run("shot " + path) ? path : std::string();
}

int DrivenClient::Quit() {
    Do("quit");
    if (!m_child.WaitExit(20.0)) return -1;
    if (m_socket >= 0) close(m_socket);
    m_socket = -1;
    return m_child.ExitCode();
}

std::string DrivenClient::Traces() const { return testsupport::ReadBytes(m_files.File("trace.txt")); }

bool SignInThroughForm(DrivenClient& client, const SkinLayout& skin, const std::string& id, const std::string& password) {
    if (!client.Tap(skin.Center({L"Login", L"Counter", L"IdEdit"})) || !client.Chars(id) || !client.Key(VK_RETURN) ||
        !client.Chars(password) || !client.Key(VK_RETURN)) {
        return false;
    }
    const POINT box = client.PopupOrigin();
    return client.Tap(skin.Center({L"MsgBox", L"CheckBox"}, box)) && client.Tap(skin.Center({L"MsgBox", L"YesButton"}, box));
}
