// Windows and messages, the start: the program's entry in the browser. The
// game takes nothing from its command line; when it ends (Escape), the page
// says so and offers to start again.
// See README.md beside this file for what the layer provides and refuses.
#include <emscripten.h>

#include "platform/web/layer.h"

EM_JS(void, PageGameEnded, (int code), { Page.gameEnded(code); });

int main() {
    char noArguments[] = "";
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
    PageGameEnded(result);
    return result;
}
