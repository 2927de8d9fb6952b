// The replay tool's entry: `kubrask-replay FILE [--frames] [--captions]`
// plays the journal FILE again without a window, as fast as it goes, and
// prints the final score and state's digest (with --frames, each frame's
// too; with --captions, each status line with the journal's time). Exit codes: 0
// when the game went as recorded, 2 for a journal refused or a game that
// went another way, 3 for a journal that ends before its game did.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/state_digest.h"
#include "platform/headless/layer.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// Under Node the command line is the process's, after the script's name.
EM_JS(char*, NodeArguments, (), {
    const args = typeof process === 'object' ? process.argv.slice(2) : [];
    const text = args.join('\n'), size = lengthBytesUTF8(text) + 1, copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
#endif

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef __EMSCRIPTEN__
    (void)argc;
    (void)argv;
    return ArgumentLines(NodeArguments());
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

// The journal is read, and the replay's folder made, before the game's
// first call, which a constructor of the game's makes: a constructor with a
// priority runs before all others (glibc hands it the command line; under
// Node a constructor takes none, and Arguments asks the process).
#ifdef __EMSCRIPTEN__
__attribute__((constructor(101))) void StartReplayFirst() {
    std::vector<std::string> args = Arguments(0, nullptr);
#else
__attribute__((constructor(101))) void StartReplayFirst(int argc, char** argv, char**) {
    std::vector<std::string> args = Arguments(argc, argv);
#endif
    bool usable = !args.empty() && !args[0].empty() && args[0][0] != '-';
    std::vector<char*> journalArgs = {const_cast<char*>("kubrask-replay"), const_cast<char*>("--replay"),
                                      usable ? args[0].data() : nullptr, const_cast<char*>("--check")};
    for (size_t i = 1; i < args.size(); ++i) {
        usable = usable && (args[i] == "--frames" || args[i] == "--captions");
        journalArgs.push_back(args[i].data());
    }
    if (!usable) {
        std::fprintf(stderr, "usage: kubrask-replay FILE [--frames] [--captions]\n");
        std::exit(2);
    }
    StartJournal(static_cast<int>(journalArgs.size()), journalArgs.data());
}

}  // namespace

int main() {
    SetStateDigest(GameStateDigest, GameScore);
    char noArguments[] = "";
    return FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
}
