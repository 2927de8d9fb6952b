// Today's board: a game started with `--daily SEED`, the launch counter a
// score server chose for the day, plays in a folder of its own, daily/ in
// the game's, holding the day's counter, the art and no best score. So the
// player's own launch counter and best score are neither read nor changed,
// and any best score the daily game asks a name for stays in that folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/journal_parts.h"

void StartDaily(const std::string& seed) {
    if (seed.empty() || seed.size() > 6 || seed.find_first_not_of("0123456789") != std::string::npos) {
        std::fprintf(stderr, "kubrask: --daily takes the day's seed, a number from 0 to 999999\n");
        std::exit(2);
    }
    std::string refused;
    if (mkdir("daily", 0755) != 0 && errno != EEXIST) refused = "cannot make the folder daily/";
    else if (!WriteWhole("daily/random.txt", seed)) refused = "cannot write daily/random.txt";
    if (refused.empty()) {
        unlink("daily/Kubrask.data");
        unlink("daily/Data");
        if (symlink("../Data", "daily/Data") != 0 || chdir("daily") != 0) refused = "cannot set up the folder daily/";
    }
    if (!refused.empty()) {
        std::fprintf(stderr, "kubrask: %s: %s\n", refused.c_str(), std::strerror(errno));
        std::exit(2);
    }
}
