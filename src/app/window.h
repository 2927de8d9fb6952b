// The game's one window with its OpenGL context, and its window procedure,
// which keeps the key table, the minimised state and the joystick direction.
#pragma once

#include <cstdint>

#include "platform/win32.h"

extern BYTE KeyStates[256];        // 1 while the key with that virtual-key code is down
extern bool WindowActive;          // false exactly while the window is minimised
extern int32_t JoystickDirection;  // Direction of joystick 1, or -1

extern HINSTANCE ModuleInstance;
extern HWND GameWindow;
extern HDC GameDeviceContext;
extern HGLRC GameRenderingContext;

bool CreateGameWindow(const char* title, int width, int height, int bits);
void DestroyGameWindow();
void ResizeViewport(int width, int height);
LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void JoystickToDirection(DWORD position);
