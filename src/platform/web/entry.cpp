// Windows and messages, the start: the program's entry in the browser. The
// game takes nothing from its command line; the journal takes what the page
// asks of it (to watch a kept game: `--replay FILE [--speed N]`, see
// platform/posix/journal.h). When the game ends (Escape, or the watching
// stopped), the page says so and offers to start again.
// See README.md beside this file for what the layer provides and refuses.
#include <emscripten.h>

#include <string>
#include <vector>

#include "app/state_digest.h"
#include "platform/web/layer.h"

EM_JS(void, PageGameEnded, (int code), { Page.gameEnded(code); });
// The journal's command line, one argument a line: empty to record.
EM_JS(char*, PageJournalArguments, (), {
    const text = Page.journalArguments().join('\n'), size = lengthBytesUTF8(text) + 1, copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

namespace {

// The journal starts ahead of the game's first call, which a constructor of
// the game's makes (the launch counter is read there): a constructor with a
// priority runs before all others. The page has put the saved files, and
// any journal to watch, in place before the constructors run.
__attribute__((constructor(101))) void StartJournalFirst() {
    std::vector<std::string> args = {"kubrask"};
    for (std::string& arg : ArgumentLines(PageJournalArguments())) args.push_back(arg);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    StartJournal(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

int main() {
    SetStateDigest(GameStateDigest, GameScore);
    char noArguments[] = "";
    int result = FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
    PageGameEnded(result);
    return result;
}
