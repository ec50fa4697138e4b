#include "platform/screen/sdl_presenter.h"

#include <SDL.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/windows/input.h"
#include "platform/screen/presenter.h"
#include "platform/system/text.h"
#include "platform/windows/window.h"

namespace {

// What the user-interface thread asks of the SDL thread, as SDL user events.
enum Request : Sint32 { kShow, kHide, kResize, kFrame, kRaise, kTextInput, kFlash, kCall, kQuit };

constexpr auto kWait = std::chrono::seconds(5);
// SDL turns SIGTERM and SIGINT into its quit event when it next pumps; a signal caught by another
// thread does not wake a display driver that blocks, so the SDL thread never waits longer.
constexpr int kPumpMs = 200;

// False when SDL, finding no display, fell back by itself to a driver that shows nothing: the
// program would run unseen and hold the single-instance slot. Asked for by name, such a driver is
// the user's choice.
// SDL's offscreen and dummy drivers: they show nothing, and have nothing to block on until an
// event comes.
bool DriverShowsNothing() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

bool DisplayChosen() {
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return (asked != nullptr && *asked != '\0') || !DriverShowsNothing();
}

// Test tooling: TEVRIK_PRESENT_LOG names a file that gets one line per picture presented in the SDL
// window, "<CLOCK_MONOTONIC ns> <hash of the whole picture, hex> <pixels that are not black>", so a
// program outside can time start-up to a given picture and tell pictures apart. SDL thread only.
FILE* PresentLog() {
    static FILE* log = [] {
        const char* path = std::getenv("TEVRIK_PRESENT_LOG");
        return path != nullptr && *path != '\0' ? std::fopen(path, "a") : nullptr;
    }();
    return log;
}

// One pixel's share of the picture's hash. The hash is the sum of the shares, so a present that
// changed a few pixels updates it by those pixels alone.
std::uint64_t PixelShare(size_t index, std::uint32_t pixel) {
    std::uint64_t z = (static_cast<std::uint64_t>(index) << 32 | pixel) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void NotePresented(std::uint64_t hash, size_t lit) {
    FILE* log = PresentLog();
    if (log == nullptr) return;
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(log, "%lld %016llx %zu\n", static_cast<long long>(now.tv_sec) * 1000000000ll + now.tv_nsec,
                 static_cast<unsigned long long>(hash), lit);
    std::fflush(log);
}

// A US keyboard by key position: SDL scancodes to virtual keys.
UINT VirtualKey(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9) return 0x61 + (code - SDL_SCANCODE_KP_1);
    switch (code) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_KP_0: return 0x60;
        case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_DELETE: return VK_DELETE;
        case SDL_SCANCODE_HOME: return VK_HOME;
        case SDL_SCANCODE_END: return VK_END;
        case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
        case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
        case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
        case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
        case SDL_SCANCODE_LALT: return VK_MENU;
        case SDL_SCANCODE_RALT: return VK_RMENU;
        case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
        case SDL_SCANCODE_LANG1: return VK_HANGUL;
        case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
        case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
        case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
        case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
        case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH: return VK_OEM_2;
        case SDL_SCANCODE_GRAVE: return VK_OEM_3;
        case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
        case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
        case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
        case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
        case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
        case SDL_SCANCODE_KP_PLUS: return 0x6B;
        case SDL_SCANCODE_KP_MINUS: return 0x6D;
        case SDL_SCANCODE_KP_PERIOD: return 0x6E;
        case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
        default: return 0;
    }
}

std::u32string Utf32(const char* utf8) {
    const std::wstring wide = TextUtf8ToWide(utf8 != nullptr ? utf8 : "");
    return std::u32string(wide.begin(), wide.end());
}

// Set while the user-interface thread pushes a request: Push itself wakes the SDL thread.
thread_local bool t_requesting = false;

class SdlPresenter final : public Presenter {
public:
    // Runs on the SDL thread from start to quit.
    void Main(std::promise<std::string>* started);
    // Presents what was painted since the last present: the whole picture with black margins after
    // a show, a resize or an expose (or when `whole`), else only the painted rectangles; nothing
    // when nothing was painted. SDL thread only.
    void Draw(bool whole = false);

    // ---- Presenter, called from the program's threads
    void Shown(HWND window, int width, int height) override;
    void Hidden(HWND window) override;
    void Resized(HWND window, int width, int height) override;
    void Painted(HWND window, const RECT& area) override;
    void Raised(HWND window) override;
    void TextInput(bool on) override { Push(kTextInput, on ? 1 : 0); }
    void Flash(bool on) override {
        if (on) Push(kFlash);
    }
    SoundPlay PlaySound(const std::string& path) override;
    bool Visible() const override { return true; }

    void Push(Request request, int value = 0, void* data = nullptr);
    bool Run(const std::function<void()>& work);
    // Resizes the SDL window, the picture first taken out of the surface SDL will replace. SDL
    // thread only.
    void SetWindowSize(int width, int height);
    // The colour of a point of the window surface, as last drawn. SDL thread only.
    bool SurfacePixel(int x, int y, std::uint32_t* rgb);

    Uint32 eventType = 0;
    SDL_Window* window = nullptr;
    std::atomic<int> flashes{0};
    std::atomic<int> raises{0};
    std::atomic<bool> textInput{false};

private:
    bool IsPresented(HWND window) {
        std::lock_guard<std::mutex> guard(m_lock);
        return window != nullptr && window == m_target;
    }
    // The whole framebuffer into the frame, presented whole next. Lock held.
    void TakeWholeFrame();
    // Row `y` of the picture, wherever it lives now. Lock held.
    std::uint32_t* PictureRow(LONG y) {
        return m_direct.pixels != nullptr ? m_direct.pixels + static_cast<size_t>(y) * m_direct.stride
                                          : m_frame.data() + static_cast<size_t>(y) * static_cast<size_t>(m_width);
    }
    // Lets the user-interface thread paint straight into the window surface `target`, which now
    // shows the whole picture, when it is the picture's size and of the frame's format; the frame
    // is then let go. Lock held; SDL thread only.
    void PaintIntoSurface(SDL_Surface* target);
    // Takes the picture back from the window surface into the frame, before anything that may
    // replace or drop the surface. Lock held; SDL thread only.
    void PaintIntoFrame();
    // Uploads what was painted straight into the window surface; false when the picture is not
    // painted there or the surface went stale (SDL saw a resize), to be presented whole from the
    // frame. SDL thread only.
    bool PresentDirect();
    // Adds or takes away the pixels of `part` (inside the frame) to or from the log's hash. Lock held.
    void Account(const RECT& part, bool add);
    // Keeps `part` among the rectangles painted since the last present. Lock held.
    void NotePainted(const RECT& part);
    // The frame as an SDL surface, kept from one present to the next (a new one would look its blit
    // up again). Lock held; SDL thread only.
    SDL_Surface* FrameSurface();
    // The client point under a window point; false when the picture has no size.
    bool ToClient(int x, int y, int* cx, int* cy);
    void OnEvent(const SDL_Event& event);
    void OnRequest(const SDL_UserEvent& request);
    // The next event, or false after kPumpMs without one. SDL thread only.
    bool NextEvent(SDL_Event* event);
    // SDL's event watch: an event is about to be queued (on any thread).
    static int OnPushed(void* self, SDL_Event* event);

    std::mutex m_lock;
    HWND m_target = nullptr;
    bool m_quitAsked = false;  // a quit came before any window was shown; SDL thread only
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_frame;  // 0x--RRGGBB (the top byte unused), m_width x m_height
    // At scale 1 the picture lives in the window surface itself: painted rows go straight there and
    // the SDL thread only uploads them (no frame, no blit). Set and cleared under the lock; only
    // the SDL thread sets it, and clears it before any SDL call that may free the surface.
    struct {
        std::uint32_t* pixels = nullptr;  // null: the picture lives in m_frame
        size_t stride = 0;                // words
        bool opaque = false;              // the top byte is alpha
        SDL_Surface* surface = nullptr;
    } m_direct;
    std::vector<RECT> m_painted;         // frame rectangles painted since the last present
    bool m_wholeDue = false;             // the next present draws margins and the whole picture
    bool m_frameAsked = false;           // a kFrame request waits for the SDL thread
    std::uint64_t m_hash = 0;            // the present log's hash of the frame (when logging)
    size_t m_lit = 0;                    // the frame's pixels that are not black (when logging)
    SDL_Rect m_picture{0, 0, 0, 0};      // where the frame lands in the SDL window
    SDL_Surface* m_frameSurface = nullptr;  // over m_frame's pixels; SDL thread only
    int m_surfaceWidth = 0;              // the window surface's size when last drawn; SDL thread only
    int m_surfaceHeight = 0;

    // SDL waits for events in the display driver where it can. The offscreen and dummy drivers have
    // nothing to wait on, and SDL would poll them every millisecond: there the thread sleeps until a
    // request comes, or until SDL's event watch sees another thread push an event (the watch runs
    // just before SDL queues it).
    bool m_driverWaits = true;
    std::thread::id m_sdlThread;
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_requested = false;  // a request is in the queue
    bool m_pushed = false;     // another thread is queueing an event

    // Sound: the audio subsystem and its device are open only while a sound plays; SDL thread only.
    // Opens them when they are not, or the device for another format; false when they cannot open
    // (said once: no sound is tried again in this run).
    bool OpenAudio(const SDL_AudioSpec& sound);
    // Closes the device and the subsystem (and the threads SDL keeps for them) once the last sound
    // has played.
    void CloseAudioWhenPlayed(bool now = false);

    SDL_AudioDeviceID m_audio = 0;
    SDL_AudioSpec m_deviceFormat{};
    bool m_audioFailed = false;
    std::chrono::steady_clock::time_point m_audioEnds{};
};

struct Running {
    std::mutex lock;
    SdlPresenter* presenter = nullptr;
    std::thread thread;
};

Running& TheRunning() {
    static Running* running = new Running;
    return *running;
}

void SdlPresenter::Push(Request request, int value, void* data) {
    SDL_Event event{};
    event.type = eventType;
    event.user.code = request;
    event.user.data1 = reinterpret_cast<void*>(static_cast<std::intptr_t>(value));
    event.user.data2 = data;
    t_requesting = true;
    const bool queued = SDL_PushEvent(&event) == 1;
    t_requesting = false;
    if (!queued || m_driverWaits) return;
    {
        std::lock_guard<std::mutex> guard(m_wakeLock);
        m_requested = true;
    }
    m_wake.notify_one();
}

struct Call {
    std::function<void()> work;
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
};

bool SdlPresenter::Run(const std::function<void()>& work) {
    auto* call = new Call;
    call->work = work;
    Push(kCall, 0, call);
    std::unique_lock<std::mutex> guard(call->lock);
    if (call->done.wait_for(guard, kWait, [&] { return call->finished; })) {
        guard.unlock();
        delete call;
        return true;
    }
    call->abandoned = true;  // the SDL thread deletes it when it gets there
    return false;
}

void SdlPresenter::TakeWholeFrame() {
    m_direct = {};
    m_frame.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0);
    if (!m_frame.empty()) CopyFramebuffer(m_target, RECT{0, 0, m_width, m_height}, m_frame.data(), m_frame.size());
    m_painted.clear();
    m_wholeDue = true;
    m_hash = 0;
    m_lit = 0;
    Account(RECT{0, 0, m_width, m_height}, true);
}

void SdlPresenter::Account(const RECT& part, bool add) {
    if (PresentLog() == nullptr) return;
    for (LONG y = part.top; y < part.bottom; ++y) {
        for (LONG x = part.left; x < part.right; ++x) {
            const size_t index = static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x);
            const std::uint32_t pixel = PictureRow(y)[x] & 0x00FFFFFFu;
            if (add) {
                m_hash += PixelShare(index, pixel);
                m_lit += pixel != 0;
            } else {
                m_hash -= PixelShare(index, pixel);
                m_lit -= pixel != 0;
            }
        }
    }
}

void SdlPresenter::NotePainted(const RECT& part) {
    auto inside = [](const RECT& a, const RECT& b) {
        return a.left >= b.left && a.top >= b.top && a.right <= b.right && a.bottom <= b.bottom;
    };
    for (const RECT& kept : m_painted) {
        if (inside(part, kept)) return;
    }
    m_painted.erase(std::remove_if(m_painted.begin(), m_painted.end(), [&](const RECT& kept) { return inside(kept, part); }),
                    m_painted.end());
    m_painted.push_back(part);
    // Many small pieces cost more in uploads than the area between them.
    constexpr size_t kMostRects = 16;
    if (m_painted.size() > kMostRects) {
        RECT bounds = m_painted.front();
        for (const RECT& kept : m_painted) {
            bounds = RECT{std::min(bounds.left, kept.left), std::min(bounds.top, kept.top),
                          std::max(bounds.right, kept.right), std::max(bounds.bottom, kept.bottom)};
        }
        m_painted.assign(1, bounds);
    }
}

void SdlPresenter::Shown(HWND window, int width, int height) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_target != nullptr && m_target != window) return;
        m_target = window;
        m_width = width;
        m_height = height;
        TakeWholeFrame();
    }
    Push(kShow);
}

void SdlPresenter::Hidden(HWND window) {
    if (!IsPresented(window)) return;
    if (!IsWindow(window)) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_target = nullptr;
    }
    Push(kHide);
}

void SdlPresenter::Resized(HWND window, int width, int height) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (window == nullptr || window != m_target) return;
        m_width = width;
        m_height = height;
        TakeWholeFrame();
    }
    Push(kResize);
}

void SdlPresenter::Painted(HWND window, const RECT& area) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (window == nullptr || window != m_target || (m_direct.pixels == nullptr && m_frame.empty())) return;
        const RECT part{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), std::min<LONG>(area.right, m_width),
                        std::min<LONG>(area.bottom, m_height)};
        if (part.left >= part.right || part.top >= part.bottom) return;
        Account(part, false);
        const RECT copied = m_direct.pixels != nullptr ? CopyFramebufferInPlace(window, part, m_direct.pixels, m_width,
                                                                                 m_height, m_direct.stride, m_direct.opaque)
                                                       : CopyFramebufferInPlace(window, part, m_frame.data(), m_width, m_height);
        Account(part, true);
        if (copied.left >= copied.right || copied.top >= copied.bottom) return;
        NotePainted(copied);
        // One request is enough for any number of paints before the SDL thread gets to it.
        if (std::exchange(m_frameAsked, true)) return;
    }
    Push(kFrame);
}

void SdlPresenter::Raised(HWND window) {
    if (IsPresented(window)) Push(kRaise);
}

SoundPlay SdlPresenter::PlaySound(const std::string& path) {
    SDL_AudioSpec format{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &format, &buffer, &length) == nullptr) return SoundPlay::kUnreadable;
    // Kept by the call: a call given up on still runs later.
    auto samples = std::make_shared<std::vector<Uint8>>(buffer, buffer + length);
    SDL_FreeWAV(buffer);
    auto played = std::make_shared<SoundPlay>(SoundPlay::kNoDevice);
    Run([this, format, samples, played] {
        if (!OpenAudio(format)) return;
        // A new notice cuts the one still playing short.
        SDL_ClearQueuedAudio(m_audio);
        if (SDL_QueueAudio(m_audio, samples->data(), static_cast<Uint32>(samples->size())) != 0) return;
        SDL_PauseAudioDevice(m_audio, 0);
        const int frameBytes = SDL_AUDIO_BITSIZE(m_deviceFormat.format) / 8 * std::max<int>(m_deviceFormat.channels, 1);
        const double seconds = static_cast<double>(samples->size()) / frameBytes / std::max(m_deviceFormat.freq, 1);
        // The device's own buffer still plays once the queue is empty.
        const double buffered = static_cast<double>(m_deviceFormat.samples) / std::max(m_deviceFormat.freq, 1);
        m_audioEnds = std::chrono::steady_clock::now() +
                      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(seconds + 2 * buffered));
        *played = SoundPlay::kPlaying;
    });
    return *played;
}

bool SdlPresenter::OpenAudio(const SDL_AudioSpec& sound) {
    if (m_audioFailed) return false;
    if (m_audio != 0 && m_deviceFormat.freq == sound.freq && m_deviceFormat.format == sound.format &&
        m_deviceFormat.channels == sound.channels) {
        return true;
    }
    if (m_audio != 0) SDL_CloseAudioDevice(m_audio);
    m_audio = 0;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "tevrik: no sound: %s; no sound plays in this run.\n", SDL_GetError());
        m_audioFailed = true;
        return false;
    }
    SDL_AudioSpec wanted = sound;
    wanted.callback = nullptr;
    m_audio = SDL_OpenAudioDevice(nullptr, 0, &wanted, &m_deviceFormat, 0);
    if (m_audio != 0) return true;
    std::fprintf(stderr, "tevrik: no sound device: %s; no sound plays in this run.\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audioFailed = true;
    return false;
}

void SdlPresenter::CloseAudioWhenPlayed(bool now) {
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) return;
    if (!now && m_audio != 0 &&
        (std::chrono::steady_clock::now() < m_audioEnds || SDL_GetQueuedAudioSize(m_audio) != 0)) {
        return;
    }
    if (m_audio != 0) SDL_CloseAudioDevice(m_audio);
    m_audio = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

SDL_Surface* SdlPresenter::FrameSurface() {
    if (m_frameSurface != nullptr && m_frameSurface->pixels == m_frame.data() && m_frameSurface->w == m_width &&
        m_frameSurface->h == m_height) {
        return m_frameSurface;
    }
    SDL_FreeSurface(m_frameSurface);
    m_frameSurface = SDL_CreateRGBSurfaceWithFormatFrom(m_frame.data(), m_width, m_height, 32, m_width * 4,
                                                        SDL_PIXELFORMAT_RGB888);
    return m_frameSurface;
}

void SdlPresenter::PaintIntoSurface(SDL_Surface* target) {
    const Uint32 format = target->format->format;
    if (target->w != m_width || target->h != m_height || m_frame.empty() || SDL_MUSTLOCK(target) ||
        target->pitch % 4 != 0 || (format != SDL_PIXELFORMAT_RGB888 && format != SDL_PIXELFORMAT_ARGB8888)) {
        return;
    }
    m_direct.pixels = static_cast<std::uint32_t*>(target->pixels);
    m_direct.stride = static_cast<size_t>(target->pitch / 4);
    m_direct.opaque = format == SDL_PIXELFORMAT_ARGB8888;
    m_direct.surface = target;
    std::vector<std::uint32_t>().swap(m_frame);
    SDL_FreeSurface(m_frameSurface);
    m_frameSurface = nullptr;
}

void SdlPresenter::PaintIntoFrame() {
    if (m_direct.pixels == nullptr) return;
    const size_t width = static_cast<size_t>(m_width);
    m_frame.resize(width * static_cast<size_t>(m_height));
    for (LONG y = 0; y < m_height; ++y) std::memcpy(m_frame.data() + y * width, PictureRow(y), width * 4);
    m_direct = {};
    m_wholeDue = true;
}

bool SdlPresenter::PresentDirect() {
    std::vector<SDL_Rect> uploads;
    std::uint64_t hash = 0;
    size_t lit = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_direct.pixels == nullptr) return false;
        m_frameAsked = false;
        for (const RECT& part : m_painted) {
            uploads.push_back(SDL_Rect{part.left, part.top, part.right - part.left, part.bottom - part.top});
        }
        m_painted.clear();
        hash = m_hash;
        lit = m_lit;
    }
    if (uploads.empty()) return true;
    if (SDL_UpdateWindowSurfaceRects(window, uploads.data(), static_cast<int>(uploads.size())) != 0) return false;
    NotePresented(hash, lit);
    return true;
}

void SdlPresenter::SetWindowSize(int width, int height) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        PaintIntoFrame();
    }
    SDL_SetWindowSize(window, width, height);
}

bool SdlPresenter::SurfacePixel(int x, int y, std::uint32_t* rgb) {
    std::unique_lock<std::mutex> guard(m_lock);
    SDL_Surface* surface = m_direct.surface;
    if (surface == nullptr) {
        // Not painted into by the other thread: SDL may replace it freely.
        guard.unlock();
        surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    }
    if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return false;
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    Uint32 pixel = 0;
    std::memcpy(&pixel, static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel,
                std::min<int>(4, surface->format->BytesPerPixel));
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    *rgb = (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
    return true;
}

void SdlPresenter::Draw(bool whole) {
    if (window == nullptr) return;
    if (!whole && PresentDirect()) return;
    {
        // The whole picture goes out from the frame, into a surface SDL may have replaced.
        std::lock_guard<std::mutex> guard(m_lock);
        PaintIntoFrame();
    }
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (target == nullptr) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_frameAsked = false;
    // A new surface holds nothing of the last picture.
    whole = std::exchange(m_wholeDue, false) || whole || target->w != m_surfaceWidth || target->h != m_surfaceHeight;
    if (!whole && m_painted.empty()) return;
    m_surfaceWidth = target->w;
    m_surfaceHeight = target->h;
    std::vector<SDL_Rect> uploads;
    if (m_width <= 0 || m_height <= 0 || m_frame.empty()) {
        m_picture = SDL_Rect{0, 0, 0, 0};
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    } else {
        // The largest picture of the frame's proportions that fits, centred.
        const double scale = std::min(static_cast<double>(target->w) / m_width, static_cast<double>(target->h) / m_height);
        m_picture.w = std::max(1, static_cast<int>(m_width * scale));
        m_picture.h = std::max(1, static_cast<int>(m_height * scale));
        m_picture.x = (target->w - m_picture.w) / 2;
        m_picture.y = (target->h - m_picture.h) / 2;
        const bool scaled = m_picture.w != m_width || m_picture.h != m_height;
        SDL_Surface* frame = FrameSurface();
        if (frame == nullptr) {
            m_painted.clear();
            return;
        }
        if (whole) {
            SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        } else {
            for (const RECT& part : m_painted) {
                SDL_Rect from{part.left, part.top, part.right - part.left, part.bottom - part.top};
                if (scaled) {
                    // Outward to whole window pixels, a pixel more for the stretch's rounding.
                    const double sx = static_cast<double>(m_picture.w) / m_width;
                    const double sy = static_cast<double>(m_picture.h) / m_height;
                    const int left = std::max(0, static_cast<int>(std::floor(part.left * sx)) - 1);
                    const int top = std::max(0, static_cast<int>(std::floor(part.top * sy)) - 1);
                    const int right = std::min(m_picture.w, static_cast<int>(std::ceil(part.right * sx)) + 1);
                    const int bottom = std::min(m_picture.h, static_cast<int>(std::ceil(part.bottom * sy)) + 1);
                    uploads.push_back(SDL_Rect{m_picture.x + left, m_picture.y + top, right - left, bottom - top});
                } else {
                    SDL_Rect to{m_picture.x + from.x, m_picture.y + from.y, from.w, from.h};
                    SDL_BlitSurface(frame, &from, target, &to);
                    uploads.push_back(SDL_Rect{m_picture.x + from.x, m_picture.y + from.y, from.w, from.h});
                }
            }
        }
        // Stretching a part by itself would sample the picture differently: a scaled window takes
        // the whole picture and uploads only what the painted parts cover.
        if (whole || scaled) {
            SDL_Rect to = m_picture;
            if (scaled) {
                SDL_BlitScaled(frame, nullptr, target, &to);
            } else {
                SDL_BlitSurface(frame, nullptr, target, &to);
            }
        }
        if (whole && !scaled) PaintIntoSurface(target);
    }
    m_painted.clear();
    if (whole || uploads.empty()) {
        SDL_UpdateWindowSurface(window);
    } else {
        SDL_UpdateWindowSurfaceRects(window, uploads.data(), static_cast<int>(uploads.size()));
    }
    NotePresented(m_hash, m_lit);
}

bool SdlPresenter::ToClient(int x, int y, int* cx, int* cy) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_picture.w <= 0 || m_picture.h <= 0) return false;
    *cx = static_cast<int>(std::floor((x - m_picture.x) * static_cast<double>(m_width) / m_picture.w));
    *cy = static_cast<int>(std::floor((y - m_picture.y) * static_cast<double>(m_height) / m_picture.h));
    return true;
}

void SdlPresenter::OnRequest(const SDL_UserEvent& request) {
    switch (request.code) {
        case kShow: {
            int width = 0;
            int height = 0;
            wchar_t title[256] = L"";
            {
                std::lock_guard<std::mutex> guard(m_lock);
                width = std::max(1, m_width);
                height = std::max(1, m_height);
                GetWindowTextW(m_target, title, 256);
            }
            if (window == nullptr) {
                window = SDL_CreateWindow(TextWideToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_RESIZABLE);
            }
            if (window != nullptr) SDL_ShowWindow(window);
            Draw();
            if (m_quitAsked) {
                m_quitAsked = false;
                HWND shown = nullptr;
                {
                    std::lock_guard<std::mutex> guard(m_lock);
                    shown = m_target;
                }
                InjectClose(shown);
            }
            break;
        }
        case kHide:
            if (window != nullptr) SDL_HideWindow(window);
            break;
        case kResize: {
            int width = 0;
            int height = 0;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                width = m_width;
                height = m_height;
            }
            if (window != nullptr && width > 0 && height > 0) SetWindowSize(width, height);
            Draw();
            break;
        }
        case kFrame:
            Draw();
            break;
        case kRaise:
            ++raises;
            if (window != nullptr) {
                SDL_RestoreWindow(window);
                SDL_RaiseWindow(window);
            }
            break;
        case kTextInput:
            if (request.data1 != nullptr) {
                SDL_StartTextInput();
            } else {
                SDL_StopTextInput();
            }
            textInput = request.data1 != nullptr;
            break;
        case kFlash:
            ++flashes;
            if (window != nullptr) SDL_FlashWindow(window, SDL_FLASH_BRIEFLY);
            break;
        case kCall: {
            auto* call = static_cast<Call*>(request.data2);
            call->work();
            std::unique_lock<std::mutex> guard(call->lock);
            if (call->abandoned) {
                guard.unlock();
                delete call;
                break;
            }
            call->finished = true;
            call->done.notify_all();
            break;
        }
        default:
            break;
    }
}

void SdlPresenter::OnEvent(const SDL_Event& event) {
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        target = m_target;
    }
    if (event.type == eventType) {
        OnRequest(event.user);
        return;
    }
    if (event.type == SDL_QUIT) {
        // SIGTERM or SIGINT (a log-out, a kill): the program ends as when its window is closed.
        if (target != nullptr) {
            InjectClose(target);
        } else {
            m_quitAsked = true;
        }
        return;
    }
    if (target == nullptr) return;
    int x = 0;
    int y = 0;
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT && ToClient(event.button.x, event.button.y, &x, &y)) {
                InjectPen(target, event.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, x, y);
            }
            break;
        case SDL_MOUSEMOTION:
            // A pen has no hover: only a pressed pen moves.
            if ((event.motion.state & SDL_BUTTON_LMASK) != 0 && ToClient(event.motion.x, event.motion.y, &x, &y)) {
                InjectPen(target, WM_MOUSEMOVE, x, y);
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (UINT key = VirtualKey(event.key.keysym.scancode)) {
                InjectKey(target, key, event.type == SDL_KEYDOWN, SDL_IsTextInputActive() == SDL_TRUE);
            }
            break;
        case SDL_TEXTINPUT:
            InjectText(target, Utf32(event.text.text));
            break;
        case SDL_TEXTEDITING:
            InjectPreedit(target, Utf32(event.edit.text));
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                InjectClose(target);
            } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                // Returning to the window activates it, as on the handheld (the shell hides the panel).
                PostMessageW(target, WM_ACTIVATE, WA_ACTIVE, 0);
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                       event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                Draw(true);
            }
            break;
        default:
            break;
    }
}

int SdlPresenter::OnPushed(void* self, SDL_Event*) {
    auto* presenter = static_cast<SdlPresenter*>(self);
    // The SDL thread's own events (and the sentinel every poll leaves) are taken before it waits.
    if (t_requesting || std::this_thread::get_id() == presenter->m_sdlThread) return 0;
    {
        std::lock_guard<std::mutex> guard(presenter->m_wakeLock);
        presenter->m_pushed = true;
    }
    presenter->m_wake.notify_one();
    return 0;
}

bool SdlPresenter::NextEvent(SDL_Event* event) {
    if (m_driverWaits) return SDL_WaitEventTimeout(event, kPumpMs) != 0;
    for (;;) {
        // Polling also pumps: the quit that SIGTERM and SIGINT leave for SDL comes in here.
        if (SDL_PollEvent(event) != 0) return true;
        bool pushed = false;
        {
            std::unique_lock<std::mutex> guard(m_wakeLock);
            if (!m_wake.wait_for(guard, std::chrono::milliseconds(kPumpMs), [&] { return m_requested || m_pushed; })) {
                return false;
            }
            m_requested = false;
            pushed = std::exchange(m_pushed, false);
        }
        // Another thread's event lands in the queue a moment after the watch saw it.
        for (int tries = 0; pushed && tries < 1000; ++tries) {
            if (SDL_PollEvent(event) != 0) return true;
            std::this_thread::yield();
        }
    }
}

void SdlPresenter::Main(std::promise<std::string>* started) {
    pthread_setname_np(pthread_self(), "tevrik-sdl");
    // The window's own surface takes the picture directly; a renderer behind it would load the
    // whole GL stack for one small blit.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::string why = std::string("no display: set DISPLAY, or SDL_VIDEODRIVER=offscreen to run without a screen (") +
                          SDL_GetError() + ")";
        SDL_Quit();
        started->set_value(why);
        return;
    }
    if (!DisplayChosen()) {
        SDL_Quit();
        started->set_value("no display: set DISPLAY, or SDL_VIDEODRIVER=offscreen to run without a screen");
        return;
    }
    eventType = SDL_RegisterEvents(1);
    if (eventType == static_cast<Uint32>(-1)) {
        SDL_Quit();
        started->set_value("SDL has no event type left");
        return;
    }
    // Characters come from the keys until the soft input panel starts the desktop's text input.
    SDL_StopTextInput();
    m_driverWaits = !DriverShowsNothing();
    m_sdlThread = std::this_thread::get_id();
    if (!m_driverWaits) SDL_AddEventWatch(&SdlPresenter::OnPushed, this);
    started->set_value(std::string());
    SDL_Event event;
    for (;;) {
        // The loop comes round at least every kPumpMs.
        const bool got = NextEvent(&event);
        CloseAudioWhenPlayed();
        if (!got) continue;
        if (event.type == eventType && event.user.code == kQuit) break;
        OnEvent(event);
    }
    CloseAudioWhenPlayed(true);
    if (!m_driverWaits) SDL_DelEventWatch(&SdlPresenter::OnPushed, this);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_direct = {};
        SDL_FreeSurface(m_frameSurface);
        m_frameSurface = nullptr;
    }
    if (window != nullptr) SDL_DestroyWindow(window);
    window = nullptr;
    SDL_Quit();
}

}  // namespace

bool StartSdlPresenter(std::string* why) {
    Running& running = TheRunning();
    std::lock_guard<std::mutex> guard(running.lock);
    if (running.presenter != nullptr) return true;
    auto* presenter = new SdlPresenter;
    auto started = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = started->get_future();
    running.thread = std::thread([presenter, started] { presenter->Main(started.get()); });
    const std::string failure = result.get();
    if (!failure.empty()) {
        running.thread.join();
        delete presenter;
        if (why != nullptr) *why = failure;
        return false;
    }
    running.presenter = presenter;
    SetPresenter(presenter);
    return true;
}

void StopSdlPresenter() {
    Running& running = TheRunning();
    std::lock_guard<std::mutex> guard(running.lock);
    if (running.presenter == nullptr) return;
    SetPresenter(nullptr);
    running.presenter->Push(kQuit);
    running.thread.join();
    delete running.presenter;
    running.presenter = nullptr;
}

namespace {

SdlPresenter* Current() {
    Running& running = TheRunning();
    std::lock_guard<std::mutex> guard(running.lock);
    return running.presenter;
}

}  // namespace

std::uint32_t SdlPresenterWindowId() {
    SdlPresenter* presenter = Current();
    std::uint32_t id = 0;
    if (presenter != nullptr) {
        presenter->Run([&] { id = presenter->window != nullptr ? SDL_GetWindowID(presenter->window) : 0; });
    }
    return id;
}

bool SdlPresenterResize(int width, int height) {
    SdlPresenter* presenter = Current();
    if (presenter == nullptr) return false;
    bool done = false;
    return presenter->Run([&] {
        if (presenter->window == nullptr) return;
        presenter->SetWindowSize(width, height);
        presenter->Draw(true);
        done = true;
    }) && done;
}

bool SdlPresenterPixel(int x, int y, std::uint32_t* rgb) {
    SdlPresenter* presenter = Current();
    if (presenter == nullptr || rgb == nullptr) return false;
    bool found = false;
    presenter->Run([&] { found = presenter->SurfacePixel(x, y, rgb); });
    return found;
}

int SdlPresenterFlashes() {
    SdlPresenter* presenter = Current();
    return presenter != nullptr ? presenter->flashes.load() : 0;
}

int SdlPresenterRaises() {
    SdlPresenter* presenter = Current();
    return presenter != nullptr ? presenter->raises.load() : 0;
}

bool SdlPresenterTextInput() {
    SdlPresenter* presenter = Current();
    return presenter != nullptr && presenter->textInput.load();
}

bool SdlPresenterRun(const std::function<void()>& work) {
    SdlPresenter* presenter = Current();
    return presenter != nullptr && presenter->Run(work);
}
