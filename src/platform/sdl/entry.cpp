// Windows and messages, the start: the process entry on Linux. The game
// takes nothing from its command line, and needs a display. The journal
// takes `--replay FILE` (see platform/posix/journal.h).
// See README.md beside this file for what the layer provides and refuses.
#include <dlfcn.h>
#include <link.h>

#include <cstdio>

#include "app/state_digest.h"
#include "platform/sdl/layer.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Keeps every library loaded now in memory to the end, though SDL unloads the
// OpenGL driver when it shuts down at exit: the leak check that runs after
// that must still see the driver's own records of what it holds, and name
// its code.
int KeepLoaded(dl_phdr_info* library, size_t, void*) {
    if (library->dlpi_name != nullptr && library->dlpi_name[0] != '\0')
        dlopen(library->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}
#endif

// The journal starts ahead of the game's first call, which a constructor of
// the game's makes: a constructor with a priority runs before all others,
// and glibc hands it the command line.
__attribute__((constructor(101))) void StartJournalFirst(int argc, char** argv, char**) {
    StartJournal(argc, argv);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) && defined(KUBRASK_LEAK_SUPPRESSIONS)
// The leaks that are not the game's, as the tests know them, for a sanitizer
// build started by hand; LSAN_OPTIONS still has the last word.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" KUBRASK_LEAK_SUPPRESSIONS ":print_suppressions=0";
}
#endif

int main() {
    // Without a display there is nothing to play on, and no box to say so in.
    if (!EnsureVideo()) {
        std::fprintf(stderr, "Kubrask needs a display: %s\n", SDL_GetError());
        return 1;
    }
    SetStateDigest(GameStateDigest, GameScore);
    char noArguments[] = "";
    int result = FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
#if defined(__SANITIZE_ADDRESS__)
    dl_iterate_phdr(KeepLoaded, nullptr);
#endif
    return result;
}
