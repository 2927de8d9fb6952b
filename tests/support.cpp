#include "support.h"

#include <gtest/gtest.h>

#include "app/frame_timer.h"
#include "app/main.h"
#include "app/window.h"
#include "game/cheat_flags.h"
#include "platform/sdl/layer.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

std::vector<ShownBox> MessageBoxScript::shown;
std::deque<int> MessageBoxScript::answers;
void (*MessageBoxScript::whileOpen)() = nullptr;

void MessageBoxScript::Reset() {
    shown.clear();
    answers.clear();
    whileOpen = nullptr;
}

int MessageBoxScript::Answer(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    shown.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (whileOpen != nullptr) whileOpen();
    if (answers.empty()) return 0;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

ScratchFolder::ScratchFolder() : previous(std::filesystem::current_path()) {
    char pattern[] = "/tmp/kubrask-test-XXXXXX";
    path = mkdtemp(pattern);
    std::filesystem::current_path(path);
}

ScratchFolder::~ScratchFolder() {
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string ScratchFolder::Read(const char* name) const {
    std::ifstream file(path / name, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void ScratchFolder::Write(const char* name, const std::string& content) const {
    std::ofstream(path / name, std::ios::binary) << content;
}

TestWindow::TestWindow(const char* name, WNDPROC procedure) : className(name), window(nullptr) {
    StartVideo();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = name;
    if (RegisterClassA(&windowClass))
        window = CreateWindowExA(0, name, "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TestWindow::~TestWindow() {
    DestroyWindow(window);
    UnregisterClassA(className, nullptr);
}

std::string CaptionOf(HWND window) {
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void StartVideo() { SDL_InitSubSystem(SDL_INIT_VIDEO); }

void PushKey(SDL_Keycode key, bool down, bool repeat, Uint16 mod) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
}

void PressKey(SDL_Keycode key, Uint16 mod) {
    PushKey(key, true, false, mod);
    PushKey(key, false, false, mod);
}

void PushText(const std::string& utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    ASSERT_LT(utf8.size(), sizeof event.text.text);
    std::memcpy(event.text.text, utf8.c_str(), utf8.size() + 1);
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void ResetLoopState() {
    GameTimer = FrameTimer();
    LastFrameTime = -1.0f;
    TimeScale = 1.0f;
    CheatFlags = CheatFlagSet{};
}

int RunOnePass(DrivenClock& time, int ms) {
    PostMessageA(GameWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    time.AdvanceMs(ms);
    int result = RunMainLoop();
    KeyStates[VK_ESCAPE] = 0;
    return result;
}

SDL_Window* SdlWindowOf(HWND window) { return window->sdl; }

void PushWindowEvent(HWND window, Uint8 kind, int data1, int data2) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.windowID = SDL_GetWindowID(SdlWindowOf(window));
    event.window.data1 = data1;
    event.window.data2 = data2;
    SDL_PushEvent(&event);
}

std::deque<std::function<void(HWND)>> IdleSteps;

void RunNextIdleStep(HWND dialog) {
    if (IdleSteps.empty()) {
        EndDialog(dialog, -2);
        return;
    }
    auto step = IdleSteps.front();
    IdleSteps.pop_front();
    step(dialog);
}

void PushClick(HWND window, int x, int y) {
    for (bool down : {true, false}) {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = SDL_GetWindowID(SdlWindowOf(window));
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }
}
