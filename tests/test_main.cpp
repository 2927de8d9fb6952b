// Every test runs headless: SDL's offscreen video and dummy audio, and
// message boxes answered by the test's script.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support.h"

namespace {

int ScriptedBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    MessageBoxScript::shown.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (MessageBoxScript::whileOpen != nullptr) MessageBoxScript::whileOpen();
    if (MessageBoxScript::answers.empty()) return 0;
    int answer = MessageBoxScript::answers.front();
    MessageBoxScript::answers.pop_front();
    return answer;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SetMessageBoxHandler(ScriptedBox);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
