#include "app/window.h"

#include <cstdlib>

#include "render/render_state.h"

BYTE KeyStates[256];
bool WindowActive = true;
int32_t JoystickDirection = -1;

HINSTANCE ModuleInstance = nullptr;
HWND GameWindow = nullptr;
HDC GameDeviceContext = nullptr;
HGLRC GameRenderingContext = nullptr;

namespace {

const char ClassName[] = "OpenGL";
const int GameIconId = 101;

void ShowCreationError(const char* text) {
    MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

void ShowShutdownError(const char* text) {
    MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

// Undoes what window creation had made, then tells the player why it stopped.
bool FailCreation(const char* text) {
    DestroyGameWindow();
    ShowCreationError(text);
    return false;
}

}  // namespace

bool CreateGameWindow(const char* title, int width, int height, int bits) {
    RECT wanted{0, 0, width, height};
    ModuleInstance = GetModuleHandleA(nullptr);

    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = GameWindowProc;
    windowClass.hInstance = ModuleInstance;
    windowClass.hIcon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(GameIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassA(&windowClass)) {
        ShowCreationError("Failed To Register The Window Class.");
        return false;
    }

    // An ordinary overlapped window; the display mode is never changed.
    const DWORD style = WS_OVERLAPPEDWINDOW;
    const DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    AdjustWindowRectEx(&wanted, style, FALSE, exStyle);

    GameWindow = CreateWindowExA(exStyle, ClassName, title,
                                 style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 wanted.right - wanted.left, wanted.bottom - wanted.top,
                                 nullptr, nullptr, ModuleInstance, nullptr);
    if (GameWindow == nullptr) return FailCreation("Window Creation Error.");

    GameDeviceContext = GetDC(GameWindow);
    if (GameDeviceContext == nullptr) return FailCreation("Can't Create A GL Device Context.");

    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(bits);
    descriptor.cDepthBits = 16;
    descriptor.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(GameDeviceContext, &descriptor);
    if (format == 0) return FailCreation("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(GameDeviceContext, format, &descriptor))
        return FailCreation("Can't Set The PixelFormat.");

    GameRenderingContext = wglCreateContext(GameDeviceContext);
    if (GameRenderingContext == nullptr) return FailCreation("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(GameDeviceContext, GameRenderingContext))
        return FailCreation("Can't Activate The GL Rendering Context.");

    ShowWindow(GameWindow, SW_SHOW);
    SetForegroundWindow(GameWindow);
    SetFocus(GameWindow);
    ResizeViewport(width, height);
    if (!InitRenderState()) return FailCreation("Initialization Failed.");
    return true;
}

void DestroyGameWindow() {
    if (GameRenderingContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) ShowShutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(GameRenderingContext))
            ShowShutdownError("Release Rendering Context Failed.");
        GameRenderingContext = nullptr;
    }
    // Released handles are forgotten too, so that a second teardown after a
    // later failed creation does not report them again.
    if (GameDeviceContext != nullptr) {
        if (!ReleaseDC(GameWindow, GameDeviceContext)) ShowShutdownError("Release Device Context Failed.");
        GameDeviceContext = nullptr;
    }
    if (GameWindow != nullptr) {
        if (!DestroyWindow(GameWindow)) ShowShutdownError("Could Not Release hWnd.");
        GameWindow = nullptr;
    }
    if (!UnregisterClassA(ClassName, ModuleInstance)) {
        ShowShutdownError("Could Not Unregister Class.");
        ModuleInstance = nullptr;
    }
}

void ResizeViewport(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(20.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void JoystickToDirection(DWORD position) {
    JoystickDirection = -1;
    int x5 = LOWORD(position) >> 11;
    int y5 = HIWORD(position) >> 11;
    // Dead bands along both diagonals, which also cover the centre.
    if (std::abs(x5 - y5) <= 3) return;
    if (std::abs(x5 - (32 - y5)) <= 3) return;
    if (x5 > y5)
        JoystickDirection = x5 <= 32 - y5 ? 0 : 2;  // upper or right triangle
    else
        JoystickDirection = x5 <= 32 - y5 ? 3 : 1;  // left or lower triangle
}

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            joySetCapture(window, JOYSTICKID1, 0, FALSE);  // no joystick is fine
            WindowActive = true;
            return 0;
        case WM_SIZE:
            ResizeViewport(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ACTIVATE:
            WindowActive = HIWORD(wParam) == 0;  // the high word says minimised
            return 0;
        case WM_CLOSE:
            joyReleaseCapture(JOYSTICKID1);
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam < sizeof KeyStates) KeyStates[wParam] = message == WM_KEYDOWN ? 1 : 0;
            return 0;
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case MM_JOY1MOVE:
            JoystickToDirection(static_cast<DWORD>(lParam));
            return 0;
        case MM_JOY1BUTTONDOWN:
        case MM_JOY1BUTTONUP: {
            BYTE down = message == MM_JOY1BUTTONDOWN ? 1 : 0;
            if (wParam & JOY_BUTTON1CHG) KeyStates['N'] = down;  // button 1 is the new-game key
            if (wParam & JOY_BUTTON2CHG) KeyStates['V'] = down;  // button 2 the camera key
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
