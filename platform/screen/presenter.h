// The presenter: what shows a window's framebuffer to the user and hands the user's input back
// (platform/windows/input.h). The headless presenter (the default) shows nothing: tests read the
// framebuffer directly. The SDL presenter (platform/screen/sdl_presenter.h) opens a real window.
//
// Rules that callers may rely on:
// - The window stand-in tells the presenter when a window is shown, hidden, resized, painted and
//   raised, never with its own lock held and always after the change took effect.
// - Shown, Hidden, Resized and Painted come from the window's thread; Raised may come from any
//   thread (another process asked); so may the device calls (text input, LED, sound).
// - Exactly one presenter is installed at a time; installing one returns the one it replaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/graphics/gdi.h"
#include "platform/win_types.h"

// What became of a sound: playing, a file that cannot be read as one, or no sound device (the
// presenter has said so, once).
enum class SoundPlay { kPlaying, kUnreadable, kNoDevice };

class Presenter {
public:
    virtual ~Presenter() = default;

    virtual void Shown(HWND, int /*width*/, int /*height*/) {}
    virtual void Hidden(HWND) {}
    virtual void Resized(HWND, int /*width*/, int /*height*/) {}
    // The framebuffer changed inside `area` (client coordinates).
    virtual void Painted(HWND, const RECT& /*area*/) {}
    virtual void Raised(HWND) {}
    // The soft input panel was shown or hidden: desktop text input follows it.
    virtual void TextInput(bool /*on*/) {}
    // The notification LED went on or off.
    virtual void Flash(bool /*on*/) {}
    // Plays a WAV file (file-system path) without blocking.
    virtual SoundPlay PlaySound(const std::string& /*path*/) { return SoundPlay::kNoDevice; }
    // Whether this presenter shows anything (false for the headless one).
    virtual bool Visible() const { return false; }
};

// The installed presenter; the headless one when none was installed. Never null.
Presenter& CurrentPresenter();
// Installs `presenter` (null: the headless one again) and answers the previous one; the caller
// keeps ownership.
Presenter* SetPresenter(Presenter* presenter);
// How many pictures the headless presenter has presented: one for each paint it was told of. The
// SDL presenter presents at most as often (paints that come before it draws go out together), so
// tests count the screen's frames here.
long HeadlessPresents();

// ---- the framebuffer, as presenters and tests read it

// The window's framebuffer (made when missing); null for a window that is gone or has no area.
// Owned by the window: never delete it.
HBITMAP WindowFramebuffer(HWND window);
// The pixel at (x, y) as a COLORREF (0x00BBGGRR); CLR_INVALID outside the framebuffer.
COLORREF FramebufferPixel(HWND window, int x, int y);
// Copies the rectangle of the framebuffer (clipped to it) as 0x00RRGGBB words, row after row, into
// `out`, which must hold width x height words of the clipped rectangle; answers that rectangle.
RECT CopyFramebuffer(HWND window, const RECT& area, std::uint32_t* out, size_t capacity);
// Copies the rectangle of the framebuffer (clipped to it and to `width` x `height`) into the same
// place of `picture`, a whole window of width x height 0x--RRGGBB words whose rows lie `stride`
// words apart (0: `width`); the top byte as the framebuffer holds it (a presenter ignores it), or
// 0xFF with `opaque` (for a picture whose top byte is alpha). Answers that rectangle.
RECT CopyFramebufferInPlace(HWND window, const RECT& area, std::uint32_t* picture, int width, int height,
                            size_t stride = 0, bool opaque = false);
// Saves the framebuffer as an 8-bit RGB PNG file (file-system path); false when it cannot.
bool SaveFramebufferPng(HWND window, const std::string& path);
