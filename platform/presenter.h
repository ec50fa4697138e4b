// The presenter: what shows a window's framebuffer to the user and hands the user's input back
// (platform/input.h). The headless presenter (the default) shows nothing: tests read the
// framebuffer directly. The SDL presenter (platform/sdl_presenter.h) opens a real window.
//
// Rules that callers may rely on:
// - The window stand-in tells the presenter when a window is shown, hidden, resized, painted and
//   raised, never with its own lock held and always after the change took effect.
// - Shown, Hidden, Resized and Painted come from the window's thread; Raised may come from any
//   thread (another process asked); so may the device calls (text input, LED, sound).
// - Exactly one presenter is installed at a time; installing one returns the one it replaces.
#pragma once

#include <string>

#include "platform/win_types.h"

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
    // Plays a WAV file (file-system path) without blocking; false when nothing plays.
    virtual bool PlaySound(const std::string& /*path*/) { return false; }
    // Whether this presenter shows anything (false for the headless one).
    virtual bool Visible() const { return false; }
};

// The installed presenter; the headless one when none was installed. Never null.
Presenter& CurrentPresenter();
// Installs `presenter` (null: the headless one again) and answers the previous one; the caller
// keeps ownership.
Presenter* SetPresenter(Presenter* presenter);
