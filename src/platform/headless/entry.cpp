// The replay tool's entry: `kubrask-replay FILE [--frames]` plays the journal
// FILE again without a window, as fast as it goes, and prints the final
// score and state's digest (with --frames, each frame's too). Exit codes: 0
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
    std::vector<std::string> args;
    char* joined = NodeArguments();
    std::string all = joined;
    std::free(joined);
    for (size_t start = 0; !all.empty() && start <= all.size();) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
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
    bool frames = args.size() == 2 && args[1] == "--frames";
    if (args.empty() || args.size() > 2 || (args.size() == 2 && !frames) || args[0].empty() || args[0][0] == '-') {
        std::fprintf(stderr, "usage: kubrask-replay FILE [--frames]\n");
        std::exit(2);
    }
    std::vector<char*> journalArgs = {const_cast<char*>("kubrask-replay"), const_cast<char*>("--replay"),
                                      args[0].data(), const_cast<char*>("--check")};
    if (frames) journalArgs.push_back(const_cast<char*>("--frames"));
    StartJournal(static_cast<int>(journalArgs.size()), journalArgs.data());
}

}  // namespace

int main() {
    SetStateDigest(GameStateDigest, GameScore);
    char noArguments[] = "";
    return FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
}
