#include "tests/support/MessengerRig.h"

#include <filesystem>

#include "app/SkinDocument.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/common/StatusBar.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SignIn.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "platform/system/device.h"
#include "platform/system/file.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/SkinRect.h"
#include "tools/service/TestService.h"

class MessengerRig::Wire : public SessionWire {
public:
    bool Write(const uint8_t* bytes, uint32_t count) override {
        if (open) sent.append(reinterpret_cast<const char*>(bytes), count);
        return open;
    }
    void Close() override { open = false; }
    bool open = false;
    std::string sent;
};

MessengerRig::MessengerRig() : m_runtimeEnv("XDG_RUNTIME_DIR", m_runtime.Path().c_str()) {
    LocalTimeFixedBegin(kLocalStart);
    // The pictures one by one, so that the skin file can be the test's own.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(m_folder.File("Image"), error);
    for (auto it = fs::directory_iterator(TEVRIK_ASSETS_DIR "/Image", error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        fs::create_symlink(it->path(), m_folder.File("Image/" + it->path().filename().string()), error);
    }
    fs::create_directory_symlink(TEVRIK_ASSETS_DIR "/Sound", m_folder.File("Sound"), error);
    MessengerApp::SetProgramFolderOverride(PathFromNative(m_folder.Path()));
}

MessengerRig::~MessengerRig() {
    Stop();
    MessengerApp::SetProgramFolderOverride(std::wstring());
    LocalTimeFixedEnd();
}

void MessengerRig::UseSkinText(const std::string& text) {
    std::error_code error;
    std::filesystem::remove(m_folder.File("Image/Skin.dat"), error);
    if (!text.empty()) testsupport::WriteBytes(m_folder.File("Image/Skin.dat"), text);
}

bool MessengerRig::Start() {
    m_started = m_program.Start();
    // The program registers its window class once in a run; the next start registers it again.
    if (!m_started) UnregisterClassW(MessengerApp::kTitle, nullptr);
    Settle();
    return m_started;
}

void MessengerRig::Stop() {
    if (!m_started) return;
    m_started = false;
    PostMessageW(Window(), WM_CLOSE, 0, 0);
    m_program.Run();
    m_program.Stop();
    m_wire.reset();
    UnregisterClassW(MessengerApp::kTitle, nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

HWND MessengerRig::Window() const {
    QeMainWindow* main = QeMainWindow::Instance();
    return main != nullptr ? main->Handle() : nullptr;
}

void MessengerRig::Cover(ScreenBase* page) {
    App().SwitchView(page, kSwitchCoverUpwards, false);
    Advance(600);
}

void MessengerRig::Back() {
    App().StatusBarWindow().OnBack();
    Advance(600);
}

void MessengerRig::Tap(SkinPath path, POINT origin) {
    const RECT rect = SkinPathRect(SkinDocument::Instance()->Top(), path, origin);
    TapAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void MessengerRig::TapAt(int x, int y) {
    InjectClick(Window(), x, y);
    Settle();
}

void MessengerRig::TapIn(const RECT& r, int x) {
    TapAt(x < 0 ? (r.left + r.right) / 2 : r.left + x, (r.top + r.bottom) / 2);
}

void MessengerRig::TapRow(QeTableView& table, int32_t row, int x) { TapIn(table.GetItemScreenRect(row), x); }

std::wstring MessengerRig::BoxText() const {
    auto* box = dynamic_cast<MsgBox*>(QePopup::Current());
    return box != nullptr ? box->Text().GetText() : std::wstring();
}

void MessengerRig::TapBox(const wchar_t* part, const wchar_t* section) {
    const RECT box = QePopup::Current() != nullptr ? QePopup::Current()->Rect() : RECT{};
    Tap({section, part}, POINT{box.left, box.top});
}

void MessengerRig::Key(UINT virtualKey) {
    InjectKeyPress(Window(), virtualKey);
    Settle();
}

void MessengerRig::Type(const std::wstring& text) {
    InjectText(Window(), std::u32string(text.begin(), text.end()));
    Settle();
}

::testing::AssertionResult MessengerRig::MatchesGolden(const std::string& name) {
    Settle();
    return ::MatchesGolden(Window(), name);
}

std::vector<std::wstring> MessengerRig::Sounds() {
    std::vector<std::wstring> sounds;
    for (const std::wstring& call : DeviceCalls()) {
        if (call.rfind(L"sndPlaySoundW(", 0) == 0) sounds.push_back(call.substr(call.rfind(L'\\') + 1));
    }
    return sounds;
}

bool MessengerRig::StartService(const std::string& seedJson) {
    m_service = std::make_unique<tevrik_service::TestService>();
    tevrik_service::ServiceOptions options;
    options.seedJson = !seedJson.empty() ? seedJson
                                         : testsupport::ReadBytes(TEVRIK_SOURCE_ROOT "/tools/service/demo-seed.json");
    const std::string ca = m_folder.File("ca.pem");
    if (!m_service->Start(options) || !testsupport::WriteBytes(ca, m_service->CaCertPem())) return false;
    const std::string port = std::to_string(m_service->LoginPort());
    for (auto [name, value] : {std::pair<const char*, std::string>{"SSL_CERT_FILE", ca},
                               {"SSL_CERT_DIR", "/nonexistent"},
                               {"TEVRIK_LOGIN_HOST", "127.0.0.1"},
                               {"TEVRIK_LOGIN_PORT", port}}) {
        m_serviceEnv.push_back(std::make_unique<testsupport::ScopedEnv>(name, value.c_str()));
    }
    return true;
}

bool MessengerRig::SignIn(const std::wstring& loginId, const std::wstring& password) {
    std::wstring digest;
    HashCredentials(digest, loginId, password);
    if (!BeginSignIn(loginId, digest, false)) return false;
    // Also until the requests the sign-in sends after the list (the memo box and its count) have
    // their replies, so that a picture taken next does not depend on how fast they come.
    return PumpUntil(
        [&] {
            return App().SignedIn() && ProtocolSession::Instance()->WaitingFor() == ProtocolSession::SignInStep::None &&
                   PendingRequests::Instance()->Count() == 0;
        },
        20.0);
}

void MessengerRig::LookSignedIn() {
    AccountInfo& account = *AccountInfo::Instance();
    if (account.Nickname.empty()) account.Nickname = L"민수";
    App().Login().SetVisible(false);
    App().StatusBarWindow().SetVisible(true);
    App().StatusBarWindow().BuddyCard().Refresh();
}

void MessengerRig::CaptureSessionWrites() {
    m_wire = std::make_unique<Wire>();
    m_seen = 0;
    ProtocolSession::Instance()->SetWire(m_wire.get());
}

void MessengerRig::ConnectCaptured(int phase) {
    if (!m_wire) CaptureSessionWrites();
    m_wire->open = true;
    ProtocolSession::Instance()->Phase = phase;
    ProtocolSession::Instance()->OnConnected();
    Settle();
}

void MessengerRig::Inject(const std::string& frame) {
    ProtocolSession::Instance()->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()),
                                          static_cast<uint32_t>(frame.size()));
    Settle();
}

std::string MessengerRig::SentText() const { return m_wire ? m_wire->sent : std::string(); }

std::string MessengerRig::Fresh(bool restartIds) {
    const std::string all = SentText();
    const std::string fresh = all.substr(std::min(m_seen, all.size()));
    m_seen = all.size();
    if (restartIds) TrIdGenerator::Instance()->LastId = 0;
    return fresh;
}

std::string Carried(const std::string& inner) {
    return inner.empty() ? inner : "CRP2 2 DP %00 " + std::to_string(inner.size()) + "\r\n" + inner;
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
