// Where a recorded run's journal goes in the browser: the page keeps it in
// the site's local storage, beside the saved files but apart from them, with
// the journals of the two runs before it (page.js). Each piece the journal
// writes out (a whole chunk, once a second and at the end) is stored as it
// comes, so a tab closed mid-game leaves the journal up to its last second.
// Storage refused or full: no journal, and the game plays as ever. See
// platform/posix/journal.h for what a journal holds.
#include <emscripten.h>

#include "platform/web/layer.h"

EM_JS(int, PageOpenJournal, (), { return Page.openJournal() ? 1 : 0; });
EM_JS(void, PageWriteJournal, (const unsigned char* bytes, size_t size), { Page.writeJournal(bytes, size); });

bool OpenJournalOutput() { return PageOpenJournal() != 0; }

void WriteJournalOutput(const unsigned char* bytes, size_t size) { PageWriteJournal(bytes, size); }
