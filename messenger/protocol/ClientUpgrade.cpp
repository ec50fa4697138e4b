#include "messenger/protocol/ClientUpgrade.h"

#include <cstdlib>

#include "framework/base/QePathTable.h"
#include "framework/base/QeStream.h"
#include "framework/base/QeStrings.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SignIn.h"
#include "messenger/protocol/TokenCodec.h"
#include "platform/system/file.h"
#include "platform/system/shell.h"
#include "platform/windows/window.h"

namespace {

ContinueLoginAction g_continueLogin = &SendAuthRequest;
HWND g_mainWindow = nullptr;

std::wstring ProgramFile(const wchar_t* name) {
    std::wstring path = name;
    if (QePathTable* table = QePathTable::Instance()) table->Resolve(path, 3, name);
    return path;
}

bool Download(const std::wstring& url, const std::wstring& path, QeHttpListener* listener, DWORD timeLimit) {
    QeHttpClient client;
    client.SetListener(listener);
    client.SetTimeLimit(timeLimit);
    if (!client.Execute(QeUrl(url))) return false;
    // An error page is no manifest and no package.
    if (client.Status() < 200 || client.Status() > 299) return false;
    QeFileWriter writer;
    if (!writer.Open(path, 0)) return false;
    const bool written = client.GetBodyLength() == 0 || writer.Write(client.GetBody(), client.GetBodyLength());
    writer.Close();
    if (!written) _wremove(path.c_str());  // a cut package must not be taken for a whole one
    return written;
}

void Install() {
    std::wstring url;
    IniValue(url, ProgramFile(kUpgradeManifestFile), L"main", L"url");
    const std::wstring package = ProgramFile(kUpgradePackageFile);
    if (DownloadToFileWithProgress(url, package)) {
        LaunchPackage(package);
    } else {
        Screens().Alert(kUpgradeFailedText);
    }
}

void OnOptionalAnswer(int result) {
    if (result == 2) {
        Install();
    } else {
        ContinueLogin();
    }
}

void OnRequiredAnswer(int result) {
    if (result == 2) {
        Install();
    } else {
        ResetToLogin();
        Screens().Alert(kUpgradeCancelledText);
    }
}

}  // namespace

std::wstring UpgradeManifestUrl() {
    std::wstring host = kDefaultUpgradeHost;
    if (const char* setting = std::getenv("TEVRIK_UPGRADE_HOST")) {
        std::wstring value = QeStrings::Trim(QeStrings::Utf8ToWide(setting));
        if (value.compare(0, 7, L"http://") == 0) value.erase(0, 7);
        while (!value.empty() && value.back() == L'/') value.pop_back();
        if (!value.empty()) host = value;
    }
    return L"http://" + host + kUpgradeManifestPath;
}

void SetContinueLoginAction(ContinueLoginAction action) {
    g_continueLogin = action != nullptr ? action : &SendAuthRequest;
}

void ContinueLogin() { g_continueLogin(); }

void SetUpgradeMainWindow(HWND window) { g_mainWindow = window; }

void UpgradeCheck(int answer) {
    if (answer != kUpgradeOffered && answer != kUpgradeRequired) {
        // "N", and any answer this client does not know: nothing newer to offer, so sign in.
        ContinueLogin();
        return;
    }
    const std::wstring manifest = ProgramFile(kUpgradeManifestFile);
    if (!DownloadToFile(UpgradeManifestUrl(), manifest)) {
        ContinueLogin();
        return;
    }
    std::wstring message;
    IniValue(message, manifest, L"main", L"msg");
    UnescapeToken(message);
    std::wstring shown;
    QeStrings::ReplaceAll(shown, message, L"\r\n", L"\n");
    Screens().Confirm(shown, answer == kUpgradeOffered ? &OnOptionalAnswer : &OnRequiredAnswer);
}

void IniValue(std::wstring& out, const std::wstring& path, const std::wstring& section, const std::wstring& key) {
    IniValueInText(out, ReadNarrowTextFile(path), section, key);
}

void IniValueInText(std::wstring& out, const std::string& utf8, const std::wstring& section,
                    const std::wstring& key) {
    out.clear();
    std::wstring text = QeStrings::Utf8ToWide(utf8);
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    const std::wstring header = L"[" + section + L"]";
    const std::wstring prefix = key + L"=";
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        if (!inSection) {
            // The header line may carry trailing blanks; nothing may stand before it.
            inSection = line.substr(0, header.size()) == header &&
                        line.find_first_not_of(L" \t", header.size()) == std::wstring_view::npos;
        } else if (line.substr(0, prefix.size()) == prefix) {
            out.assign(line.substr(prefix.size()));
            return;
        }
        start = end + 1;
    }
}

bool DownloadToFile(const std::wstring& url, const std::wstring& path) {
    return Download(url, path, nullptr, kManifestTimeLimitMs);
}

bool DownloadToFileWithProgress(const std::wstring& url, const std::wstring& path) {
    ResetToLogin();
    Screens().ShowUpgradeBox();
    UpgradeProgressListener listener;
    return Download(url, path, &listener, 0);
}

float UpgradeProgressListener::Fraction(uint32_t done, uint32_t total) {
    if (total == 0) return 0.0f;
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    return static_cast<float>(fraction < 0.0 ? 0.0 : fraction > 1.0 ? 1.0 : fraction);
}

bool UpgradeProgressListener::OnReceiveProgress(uint32_t received) {
    (void)received;
    return OnDownloadProgress();
}

bool UpgradeProgressListener::OnDownloadProgress() {
    // The download blocks the loop, so the screens repaint the box at once rather than wait for
    // a paint message.
    Screens().SetUpgradeProgress(Fraction(bytesDone, bytesTotal));
    return true;
}

int LaunchPackage(const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteEx(&info);
    if (g_mainWindow != nullptr) PostMessageW(g_mainWindow, WM_CLOSE, 0, 0);
    return 1;
}
