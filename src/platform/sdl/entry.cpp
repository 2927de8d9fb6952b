// The process entry on Linux: the game takes nothing from its command line.
#include "platform/sdl/win32_api.h"

int main() {
    char noArguments[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
}
