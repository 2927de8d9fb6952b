// Where a recorded run's journal goes on Linux: Kubrask.journal in the
// folder the game runs in, beside Kubrask.data. The four before it are kept
// as Kubrask.journal.1 (the last run) to Kubrask.journal.4. See
// platform/posix/journal.h for what a journal holds.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/sdl/layer.h"

namespace {

const char JournalName[] = "Kubrask.journal";
const int KeptJournals = 5;
int Output = -1;

std::string KeptName(int age) { return age == 0 ? JournalName : JournalName + ("." + std::to_string(age)); }

}  // namespace

bool OpenJournalOutput() {
    for (int age = KeptJournals - 1; age > 0; --age) std::rename(KeptName(age - 1).c_str(), KeptName(age).c_str());
    Output = open(JournalName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return Output >= 0;
}

void WriteJournalOutput(const unsigned char* bytes, size_t size) {
    while (size > 0 && Output >= 0) {
        ssize_t written = write(Output, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // a full disk ends the journal, not the game
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}
