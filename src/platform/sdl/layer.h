// The Linux platform layer's shared insides: what its files give each other
// over SDL. What it shares with the browser's layer (the Windows names the
// layers use, the window record, the files over POSIX, the windows and
// messages) is in platform/posix/posix.h.
// README.md beside this file lists what the layer provides to the game.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/posix/journal.h"

// Gives an SDL window the game's icon.
void SetGameIcon(SDL_Window* window);

// Starts SDL's video on first use; false when there is no display to use.
bool EnsureVideo();

// Makes an SDL window, made here or elsewhere in the layer (a dialog), one
// of its windows; DestroyWindow ends it as any other.
HWND AdoptSdlWindow(SDL_Window* sdl, const char* className, WNDPROC procedure,
                    const std::string& caption);
bool IsLayerSdlWindow(SDL_Window* sdl);  // the SDL window of a live window of ours

// One SDL event as the thread's messages: window changes are sent to their
// window at once, keys and the joystick are queued. Input for a disabled
// window is dropped. Modal loops hand on what is not theirs through it.
void TranslateSdlEvent(const SDL_Event& event);

// Turns a joystick event into the messages of the capturing window.
void TranslateJoystickEvent(const SDL_Event& event);

// The Windows virtual-key code of an SDL key, 0 for keys the game cannot know.
WORD VirtualKeyFromSdl(SDL_Keycode key);

// Names an SDL window by a Windows-1252 caption.
void SetSdlWindowTitle(SDL_Window* sdl, std::string_view caption);

#ifdef KUBRASK_TEST_HOOKS
#include "platform/sdl/test_hooks.h"
#endif
