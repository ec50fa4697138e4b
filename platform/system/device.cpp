#include "platform/system/device.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <mutex>
#include <set>

#include "platform/system/debug.h"
#include "platform/system/file.h"
#include "platform/system/text.h"
#include "platform/windows/metrics.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"

namespace {

// The one input method a desktop offers.
constexpr CLSID kKeyboardMethod = {0x7A3D5E21, 0x4C1B, 0x4F0E, {0x9B, 0x61, 0x2D, 0x84, 0x0C, 0x5A, 0x19, 0xE7}};
constexpr wchar_t kKeyboardName[] = L"Keyboard";

constexpr size_t kLongestRecord = 1 << 20;

struct DeviceState {
    std::mutex lock;
    std::deque<std::wstring> calls;
    std::set<std::string> unplayable;  // the sounds already said to be unplayable
    bool panelShown = false;
    RECT panelRect{};
    bool sipInfoFails = false;
    UINT ledCount = 1;
    std::set<UINT> ledsOn;
    HRESULT establishResult = S_OK;
    HRESULT releaseResult = S_OK;
    std::set<std::uintptr_t> connections;
    std::uintptr_t nextConnection = 0x5000;
};

DeviceState& Device() {
    static DeviceState* state = new DeviceState;
    return *state;
}

// Runs `work` on the device state under its lock.
template <class F>
auto Locked(F&& work) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    return work(state);
}

void Record(DeviceState& state, const wchar_t* format, ...) {
    // Grown until the line fits: a file path in it may be of any length.
    std::vector<wchar_t> line(128);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int length = std::vswprintf(line.data(), line.size(), format, args);
        va_end(args);
        if (length >= 0) {
            state.calls.emplace_back(line.data(), static_cast<size_t>(length));
            // A program that runs for long makes calls without end (a sound for every memo): the
            // record keeps the newest.
            if (state.calls.size() > kDeviceCallsKept) state.calls.pop_front();
            return;
        }
        // Past this, the failure is the format's, not the room's.
        if (line.size() >= kLongestRecord) return;
        line.resize(line.size() * 2);
    }
}

}  // namespace

BOOL SipShowIM(DWORD flags) {
    DeviceState& state = Device();
    bool changed = false;
    bool on = (flags & SIPF_ON) != 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        Record(state, L"SipShowIM(%u)", static_cast<unsigned>(flags));
        changed = state.panelShown != on;
        state.panelShown = on;
    }
    if (changed) CurrentPresenter().TextInput(on);
    return TRUE;
}

int SipEnumIM(IMENUMPROC callback) {
    DeviceState& state = Device();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        Record(state, L"SipEnumIM");
    }
    if (callback == nullptr) return 0;
    IMENUMINFO info{};
    std::wcsncpy(info.szName, kKeyboardName, 259);
    info.clsid = kKeyboardMethod;
    callback(&info);
    return 1;
}

BOOL SipGetCurrentIM(CLSID* clsid) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    Record(state, L"SipGetCurrentIM");
    if (clsid == nullptr) return FALSE;
    *clsid = kKeyboardMethod;
    return TRUE;
}

BOOL SHSipInfo(UINT action, UINT parameter, void* info, UINT winIni) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    Record(state, L"SHSipInfo(0x%X, %u, %u)", action, parameter, winIni);
    auto* sip = static_cast<SIPINFO*>(info);
    if (action != SPI_GETSIPINFO || sip == nullptr || sip->cbSize != sizeof(SIPINFO)) return FALSE;
    if (state.sipInfoFails) {
        sip->rcSipRect = RECT{1, 2, 300, 400};
        return FALSE;
    }
    sip->fdwFlags = state.panelShown ? SIPF_ON : SIPF_OFF;
    sip->rcSipRect = state.panelRect;
    sip->rcVisibleDesktop = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT& panel = state.panelRect;
    if (state.panelShown && panel.left < panel.right && panel.top < panel.bottom) {
        sip->rcVisibleDesktop.bottom = panel.top;
    }
    sip->dwImDataSize = 0;
    sip->pvImData = nullptr;
    return TRUE;
}

BOOL SHFullScreen(HWND window, DWORD flags) {
    {
        DeviceState& state = Device();
        std::lock_guard<std::mutex> guard(state.lock);
        Record(state, L"SHFullScreen(0x%X)", static_cast<unsigned>(flags));
    }
    return IsWindow(window);
}

BOOL NLedGetDeviceInfo(UINT infoId, void* info) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    Record(state, L"NLedGetDeviceInfo(%u)", infoId);
    if (infoId != NLED_COUNT_INFO_ID || info == nullptr) return FALSE;
    static_cast<NLED_COUNT_INFO*>(info)->cLeds = state.ledCount;
    return TRUE;
}

BOOL NLedSetDevice(UINT infoId, void* info) {
    DeviceState& state = Device();
    bool flash = false;
    bool on = false;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto* settings = static_cast<NLED_SETTINGS_INFO*>(info);
        if (settings == nullptr) {
            Record(state, L"NLedSetDevice(%u)", infoId);
            return FALSE;
        }
        Record(state, L"NLedSetDevice(%u, %u, %d)", infoId, settings->LedNum, settings->OffOnBlink);
        if (infoId != NLED_SETTINGS_INFO_ID || settings->LedNum >= state.ledCount) return FALSE;
        on = settings->OffOnBlink != 0;
        const bool wasOn = state.ledsOn.count(settings->LedNum) != 0;
        if (on) {
            state.ledsOn.insert(settings->LedNum);
        } else {
            state.ledsOn.erase(settings->LedNum);
        }
        flash = on != wasOn;
    }
    if (flash) CurrentPresenter().Flash(on);
    return TRUE;
}

HRESULT ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO* info, HANDLE* connection, DWORD timeoutMs,
                                       DWORD* status) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    Record(state, L"ConnMgrEstablishConnectionSync(%u)", static_cast<unsigned>(timeoutMs));
    if (info == nullptr || info->cbSize != sizeof(CONNMGR_CONNECTIONINFO) || connection == nullptr ||
        status == nullptr) {
        return E_INVALIDARG;
    }
    if (state.establishResult < 0) return state.establishResult;
    const std::uintptr_t handle = state.nextConnection++;
    state.connections.insert(handle);
    *connection = reinterpret_cast<HANDLE>(handle);
    *status = CONNMGR_STATUS_CONNECTED;
    return state.establishResult;
}

HRESULT ConnMgrReleaseConnection(HANDLE connection, LONG cache) {
    DeviceState& state = Device();
    std::lock_guard<std::mutex> guard(state.lock);
    Record(state, L"ConnMgrReleaseConnection(%d)", static_cast<int>(cache));
    auto it = state.connections.find(reinterpret_cast<std::uintptr_t>(connection));
    if (it == state.connections.end()) return E_INVALIDARG;
    if (state.releaseResult < 0) return state.releaseResult;
    state.connections.erase(it);
    return state.releaseResult;
}

BOOL sndPlaySoundW(LPCWSTR sound, UINT flags) {
    {
        DeviceState& state = Device();
        std::lock_guard<std::mutex> guard(state.lock);
        Record(state, L"sndPlaySoundW(%ls, 0x%X)", sound != nullptr ? sound : L"(null)", flags);
    }
    if (sound == nullptr || (flags & SND_FILENAME) == 0) return FALSE;
    Presenter& presenter = CurrentPresenter();
    if (!presenter.Visible()) return TRUE;
    const std::string path = PathToNative(sound);
    const SoundPlay played = presenter.PlaySound(path);
    if (played == SoundPlay::kPlaying) return TRUE;
    if (played == SoundPlay::kNoDevice) return FALSE;
    // Once per file: a notice sound that cannot play would otherwise say so at every event.
    if (Locked([&](DeviceState& state) { return state.unplayable.insert(path).second; })) {
        OutputDebugStringW((L"sndPlaySoundW, " + TextUtf8ToWide(path) + L" cannot be played.\n").c_str());
    }
    return FALSE;
}

std::vector<std::wstring> DeviceCalls() {
    return Locked([](DeviceState& state) {
        return std::vector<std::wstring>(state.calls.begin(), state.calls.end());
    });
}

void ClearDeviceCalls() {
    Locked([](DeviceState& state) { state.calls.clear(); });
}

void ResetDevices() {
    Locked([](DeviceState& state) {
        const std::uintptr_t nextConnection = state.nextConnection;  // handles are never given twice
        state.calls.clear();
        state.unplayable.clear();
        state.panelShown = false;
        state.panelRect = RECT{};
        state.sipInfoFails = false;
        state.ledCount = 1;
        state.ledsOn.clear();
        state.establishResult = S_OK;
        state.releaseResult = S_OK;
        state.connections.clear();
        state.nextConnection = nextConnection;
    });
}

void SetSipPanelRect(const RECT& rect) {
    Locked([&](DeviceState& state) { state.panelRect = rect; });
}

void FailSipInfo(bool fail) {
    Locked([&](DeviceState& state) { state.sipInfoFails = fail; });
}

bool SipPanelShown() {
    return Locked([](DeviceState& state) { return state.panelShown; });
}

void SetLedCount(UINT count) {
    Locked([&](DeviceState& state) { state.ledCount = count; });
}

bool LedIsOn(UINT led) {
    return Locked([&](DeviceState& state) { return state.ledsOn.count(led) != 0; });
}

void SetConnMgrResults(HRESULT establish, HRESULT release) {
    Locked([&](DeviceState& state) {
        state.establishResult = establish;
        state.releaseResult = release;
    });
}

int OpenConnectionCount() {
    return Locked([](DeviceState& state) { return static_cast<int>(state.connections.size()); });
}
