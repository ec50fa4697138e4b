// The client upgrade that the version check at sign-in leads to: the manifest is fetched from the
// upgrade host, its message is put to the user, and on consent the package is downloaded (with the
// progress box), handed to the desktop's opener, and the program closes itself.
//
// Manifest: UTF-8 text with CR LF line ends; section "main" with "msg" (escaped like a protocol
// token) and "url" (the package, as it stands).
#pragma once

#include <cstdint>
#include <string>

#include "framework/net/QeHttpClient.h"
#include "platform/win_types.h"

// The version check's answers, as ParseUpgradeAnswer reads them.
enum UpgradeAnswer : int {
    kUpgradeOffered = 0,   // "Y"
    kUpgradeNone = 1,      // "N"
    kUpgradeRequired = 2,  // "F"
};

// The files of an upgrade, in the program folder.
inline constexpr const wchar_t* kUpgradeManifestFile = L"_Tevrik.inf";
inline constexpr const wchar_t* kUpgradePackageFile = L"_Tevrik.cab";
inline constexpr const wchar_t* kUpgradeManifestPath = L"/Upgrade/Upgrade_wm10.ipml";
// The local service's upgrade server unless TEVRIK_UPGRADE_HOST names another ("host" or
// "host:port").
inline constexpr const wchar_t* kDefaultUpgradeHost = L"127.0.0.1:5080";

inline constexpr const wchar_t* kUpgradeCancelledText = L"업그레이드가 취소되었습니다.";
inline constexpr const wchar_t* kUpgradeFailedText =
    L"업그레이드에 실패하였습니다.\n\n네트워크 상태 또는 디스크 공간 확인 후 재시도 해 주시기 바랍니다.";

// The PVER reply's handler calls this once the reply's code is known to be good, with the answer
// token read by ParseUpgradeAnswer. "N", an answer this client does not know, and a manifest that
// cannot be fetched go on with the sign-in; "Y" and "F" put the manifest's message to the user.
void UpgradeCheck(int answer);

// Goes on with the sign-in (AUTH "MD5" on the login server).
void ContinueLogin();
// Tests put a stand-in in place of the AUTH sender; null puts the sender back.
using ContinueLoginAction = void (*)();
void SetContinueLoginAction(ContinueLoginAction action);

// The value of key in section of an INI-style UTF-8 file: the text after "key=" on the first line
// that starts with it, at or after the line "[section]" (a key in a later section counts too), up
// to the line's end. Empty when the file, the section or the key is missing.
void IniValue(std::wstring& out, const std::wstring& path, const std::wstring& section, const std::wstring& key);
// The same on the file's bytes.
void IniValueInText(std::wstring& out, const std::string& utf8, const std::wstring& section,
                    const std::wstring& key);

// GETs the URL and writes the response body to the file. False when the exchange fails, the final
// status is not 2xx (nothing is written then), or the file cannot be written whole. It fetches the
// small manifest while the sign-in waits, so the whole exchange must end within this time.
inline constexpr DWORD kManifestTimeLimitMs = 30000;
bool DownloadToFile(const std::wstring& url, const std::wstring& path);
// The same after signing out (back to the login screen) and opening the upgrade box, whose
// progress follows the download; the package may take as long as it keeps arriving.
bool DownloadToFileWithProgress(const std::wstring& url, const std::wstring& path);

// Reports the receive progress of a download to the upgrade box.
class UpgradeProgressListener : public QeHttpListener {
public:
    bool OnReceiveProgress(uint32_t received) override;
    bool OnDownloadProgress();
    // done / total within [0, 1]; 0 while the total is unknown.
    static float Fraction(uint32_t done, uint32_t total);
};

// Hands the package to the desktop's opener (without waiting, whatever the result), then asks the
// main window to close, which ends the program. Returns 1.
int LaunchPackage(const std::wstring& path);
// The window LaunchPackage closes; the application sets its main window here.
void SetUpgradeMainWindow(HWND window);

// "http://<upgrade host>/Upgrade/Upgrade_wm10.ipml".
std::wstring UpgradeManifestUrl();
