#include "tests/support/MessengerRig.h"

#include <filesystem>
#include <utility>

#include "app/SkinDocument.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/SignIn.h"
#include "platform/system/file.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tools/service/TestService.h"

// Captures what the application's session writes; a close ends the captured connection.
class MessengerRig::Wire : public SessionWire {
public:
    bool Write(const uint8_t* bytes, uint32_t count) override {
        if (!open) return false;
        sent.emplace_back(reinterpret_cast<const char*>(bytes), count);
        return true;
    }
    void Close() override { open = false; }

    bool open = false;
    std::vector<std::string> sent;
};

MessengerRig::MessengerRig() {
    m_runtimeEnv = std::make_unique<testsupport::ScopedEnv>("XDG_RUNTIME_DIR", m_runtime.Path().c_str());
    LocalTimeFixedBegin(kLocalStart);
    std::filesystem::create_directories(m_folder.File("Image"));
    LinkAssets();
    MessengerApp::SetProgramFolderOverride(PathFromNative(m_folder.Path()));
}

MessengerRig::~MessengerRig() {
    Stop();
    MessengerApp::SetProgramFolderOverride(std::wstring());
    LocalTimeFixedEnd();
}

std::string MessengerRig::AssetsFolder() {
#ifdef TEVRIK_ASSETS_DIR
    return TEVRIK_ASSETS_DIR;
#else
    return std::string();
#endif
}

std::string MessengerRig::ProjectSkinPath() { return AssetsFolder() + "/Image/Skin.dat"; }

void MessengerRig::LinkAssets() {
    // The pictures one by one, so that the skin file itself can be the test's own.
    std::error_code error;
    const std::filesystem::path images = AssetsFolder() + "/Image";
    for (auto it = std::filesystem::directory_iterator(images, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::filesystem::create_symlink(it->path(), m_folder.File("Image/" + it->path().filename().string()), error);
    }
    std::filesystem::create_directory_symlink(AssetsFolder() + "/Sound", m_folder.File("Sound"), error);
}

void MessengerRig::UseSkinText(const std::string& text) {
    const std::string path = m_folder.File("Image/Skin.dat");
    std::error_code error;
    std::filesystem::remove(path, error);
    if (!text.empty()) testsupport::WriteBytes(path, text);
}

bool MessengerRig::Start() {
    if (m_started) return false;
    m_started = m_program.Start();
    if (m_started) {
        Settle();
    } else {
        UnregisterClassW(MessengerApp::kTitle, nullptr);
    }
    return m_started;
}

void MessengerRig::Stop() {
    if (!m_started || m_stopped) return;
    m_stopped = true;
    PostMessageW(Window(), WM_CLOSE, 0, 0);
    m_program.Run();
    m_program.Stop();
    m_wire.reset();
    // The program registers its window class once in a run; the next rig registers it again.
    UnregisterClassW(MessengerApp::kTitle, nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

HWND MessengerRig::Window() const {
    QeMainWindow* main = QeMainWindow::Instance();
    return main != nullptr ? main->Handle() : nullptr;
}

void MessengerRig::Settle() { PumpUntilIdle(2.0); }

POINT MessengerRig::SkinPoint(SkinPath path, POINT origin) const {
    POINT point = origin;
    std::vector<const wchar_t*> prefix;
    RECT last{0, 0, 0, 0};
    for (const wchar_t* name : path) {
        prefix.push_back(name);
        SkinDocument* skin = SkinDocument::Instance();
        const QeMarkupElement* element = skin != nullptr ? skin->Top() : nullptr;
        for (const wchar_t* step : prefix) element = element != nullptr ? element->FindChild(step) : nullptr;
        const QeMarkupElement* rect = element != nullptr ? element->FindChild(L"_Rect") : nullptr;
        if (rect == nullptr) continue;
        if (prefix.size() < path.size()) {
            const RECT above = ParseRect(rect);
            point.x += above.left;
            point.y += above.top;
        } else {
            last = ParseRect(rect);
        }
    }
    point.x += (last.left + last.right) / 2;
    point.y += (last.top + last.bottom) / 2;
    return point;
}

void MessengerRig::Tap(SkinPath path, POINT origin) {
    const POINT point = SkinPoint(path, origin);
    TapAt(point.x, point.y);
}

void MessengerRig::TapAt(int x, int y) {
    InjectClick(Window(), x, y);
    Settle();
}

void MessengerRig::Key(UINT virtualKey) {
    InjectKeyPress(Window(), virtualKey);
    Settle();
}

void MessengerRig::Type(const std::u32string& text) {
    InjectText(Window(), text);
    Settle();
}

::testing::AssertionResult MessengerRig::MatchesGolden(const std::string& name) {
    Settle();
    return ::MatchesGolden(Window(), name);
}

std::string MessengerRig::DemoSeed() {
#ifdef TEVRIK_SOURCE_ROOT
    return testsupport::ReadBytes(std::string(TEVRIK_SOURCE_ROOT) + "/tools/service/demo-seed.json");
#else
    return std::string();
#endif
}

bool MessengerRig::StartService(const std::string& seedJson) {
    m_service = std::make_unique<tevrik_service::TestService>();
    tevrik_service::ServiceOptions options;
    options.seedJson = seedJson.empty() ? DemoSeed() : seedJson;
    if (!m_service->Start(options)) return false;
    const std::string caFile = m_folder.File("ca.pem");
    if (!testsupport::WriteBytes(caFile, m_service->CaCertPem())) return false;
    const std::string port = std::to_string(m_service->LoginPort());
    for (auto [name, value] : {std::pair<const char*, const char*>{"SSL_CERT_FILE", caFile.c_str()},
                               {"SSL_CERT_DIR", "/nonexistent"},
                               {"TEVRIK_LOGIN_HOST", "127.0.0.1"},
                               {"TEVRIK_LOGIN_PORT", port.c_str()}}) {
        m_serviceEnv.push_back(std::make_unique<testsupport::ScopedEnv>(name, value));
    }
    return true;
}

bool MessengerRig::SignIn(const std::wstring& loginId, const std::wstring& password) {
    std::wstring digest;
    HashCredentials(digest, loginId, password);
    if (!BeginSignIn(loginId, digest, false)) return false;
    ProtocolSession* session = ProtocolSession::Instance();
    return PumpUntil(
        [&] {
            return App().SignedIn() && session != nullptr &&
                   session->WaitingFor() == ProtocolSession::SignInStep::None;
        },
        kServiceBound);
}

void MessengerRig::CaptureSessionWrites() {
    m_wire = std::make_unique<Wire>();
    if (ProtocolSession* session = ProtocolSession::Instance()) session->SetWire(m_wire.get());
}

void MessengerRig::ConnectCaptured(int phase) {
    ProtocolSession* session = ProtocolSession::Instance();
    if (!m_wire || session == nullptr) return;
    m_wire->open = true;
    session->Phase = phase;
    session->OnConnected();
    Settle();
}

void MessengerRig::Inject(const std::string& frame) {
    if (ProtocolSession* session = ProtocolSession::Instance()) {
        session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), static_cast<uint32_t>(frame.size()));
    }
    Settle();
}

const std::vector<std::string>& MessengerRig::Sent() const {
    static const std::vector<std::string> kNone;
    return m_wire ? m_wire->sent : kNone;
}

std::string MessengerRig::SentText() const {
    std::string all;
    for (const std::string& frame : Sent()) all += frame;
    return all;
}

void MessengerRig::ClearSent() {
    if (m_wire) m_wire->sent.clear();
}
