// The on-screen presenter: a real window through SDL2 that shows the main window's framebuffer and
// turns mouse, keyboard, text input and closing into the handheld's messages.
//
// Rules that callers may rely on:
// - SDL runs on a thread of its own; the program's user-interface thread never waits for it except
//   to hand over a copy of what it painted. Input reaches the window's queue like any other input
//   (platform/windows/input.h).
// - The first window shown becomes the presented one; the SDL window starts at its client size and
//   may be resized: the picture keeps its proportions, centred, and pen positions are mapped back
//   into the client area (points in the margins lie outside it).
// - The left mouse button is the pen: pressing, moving while pressed and releasing it arrive as
//   WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP. Keys arrive by their position on a US keyboard;
//   while the soft input panel is shown SDL's text input runs, so the characters (and a desktop
//   input method's pre-edit) come from the desktop. Closing the window posts WM_CLOSE, and so do
//   SIGTERM and SIGINT (SDL's quit event; one that comes before a window is shown closes the first
//   one shown). The desktop giving the window the focus posts WM_ACTIVATE (WA_ACTIVE).
// - The notification LED flashes the window; sounds play through SDL audio when it opens.
// - SDL's own offscreen driver (SDL_VIDEODRIVER=offscreen) works like a display. SDL falling back
//   to it (or to its dummy driver) by itself, for want of a display, counts as no display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Starts SDL and installs the presenter. False, with a message for the user in `why`, when there is
// no display to show on (or SDL cannot start); nothing is installed then.
bool StartSdlPresenter(std::string* why);
// Puts the headless presenter back and ends SDL. Harmless when not started.
void StopSdlPresenter();

// ---- test tooling; all false / 0 while the presenter is not running

// The SDL window's id, for synthetic events (0 before a window was shown).
std::uint32_t SdlPresenterWindowId();
// Resizes the SDL window, as a user dragging its border would, and waits until it is redrawn.
bool SdlPresenterResize(int width, int height);
// The colour (0x00RRGGBB) at a point of the SDL window's surface, as last drawn.
bool SdlPresenterPixel(int x, int y, std::uint32_t* rgb);
// How many times the window was flashed, raised, and whether text input runs, as far as the SDL
// thread has come (SdlPresenterRun of nothing waits for what was asked before).
int SdlPresenterFlashes();
int SdlPresenterRaises();
bool SdlPresenterTextInput();
// Runs `work` on the SDL thread and waits for it (at most a few seconds).
bool SdlPresenterRun(const std::function<void()>& work);
