// kubrask-server: Kubrask's site, with a table of best scores that holds
// only games it has played again itself.
//
//   kubrask-server [--data DIR] [--database URL] [--port N] [--site DIR] [--behind-proxy]
//                  [--listen ADDRESS] [--verifiers N] [--submissions-per-minute N] [--art DIR]
//   kubrask-server [--data DIR] [--database URL] remove ID
//   kubrask-server [--data DIR] [--database URL] daily-seed DAY SEED
//
// It keeps its data in DIR (server-data in the folder it starts in): the
// scores in kubrask.sqlite, unless --database names a PostgreSQL database
// (postgresql://...), and journals waiting for their replay in scratch/.
// daily-seed sets the board of a day that has none yet (for a test, or a
// board chosen by hand). --clock-offset N sets the server's clock N
// seconds ahead, for tests of days. It listens on 127.0.0.1 unless told another address. The
// site is build/web/site as the build lays it out beside the server, and
// the game's art (which every replay reads) the Data/ folder beside it.
#include <dirent.h>
#include <signal.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/posix/journal_format.h"
#include "server/http.h"
#include "server/routes.h"
#include "server/store.h"
#include "server/verify.h"

namespace {

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr,
                 "kubrask-server: %s\n"
                 "usage: kubrask-server [--data DIR] [--database URL] [--port N] [--site DIR] [--behind-proxy]\n"
                 "                      [--listen ADDRESS] [--verifiers N] [--submissions-per-minute N] [--art DIR]\n"
                 "       kubrask-server [--data DIR] [--database URL] remove ID\n"
                 "       kubrask-server [--data DIR] [--database URL] daily-seed DAY SEED\n",
                 problem);
    std::exit(2);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    path[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    return slash == path ? std::string("/") : std::string(static_cast<const char*>(path), slash);
}

int Number(const char* text, int low, int high, const char* what) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || n < low || n > high) Usage((std::string(what) + " takes a number from " +
                                                                    std::to_string(low) + " to " + std::to_string(high)).c_str());
    return static_cast<int>(n);
}

// Journals left waiting by a server that stopped, and their replays' folders.
void ClearScratch(const std::string& scratch) {
    DIR* dir = opendir(scratch.c_str());
    if (dir == nullptr) return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        const std::string path = scratch + "/" + entry->d_name;
        if (unlink(path.c_str()) != 0 && IsFolder(path)) {
            if (DIR* inner = opendir(path.c_str())) {
                while (dirent* file = readdir(inner))
                    if (file->d_name[0] != '.') unlink((path + "/" + file->d_name).c_str());
                closedir(inner);
            }
            rmdir(path.c_str());
        }
    }
    closedir(dir);
}

}  // namespace

int main(int argc, char** argv) {
    std::string data = "server-data", database, site, listen = "127.0.0.1", art, seedDay;
    int64_t clockOffset = 0, seed = -1;
    int port = 8000, perMinute = 10;
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    int verifiers = cores > 0 ? cores : 1;
    bool behindProxy = false;
    std::string removeId;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--data" && hasValue) {
            data = argv[++i];
        } else if (arg == "--database" && hasValue) {
            database = argv[++i];
        } else if (arg == "--clock-offset" && hasValue) {
            clockOffset = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "daily-seed" && i + 3 == argc) {
            seedDay = argv[++i];
            seed = Number(argv[++i], 0, 999999, "daily-seed's SEED");
        } else if (arg == "--port" && hasValue) {
            port = Number(argv[++i], 0, 65535, "--port");
        } else if (arg == "--site" && hasValue) {
            site = argv[++i];
        } else if (arg == "--art" && hasValue) {
            art = argv[++i];
        } else if (arg == "--listen" && hasValue) {
            listen = argv[++i];
        } else if (arg == "--verifiers" && hasValue) {
            verifiers = Number(argv[++i], 1, 256, "--verifiers");
        } else if (arg == "--submissions-per-minute" && hasValue) {
            perMinute = Number(argv[++i], 1, 100000, "--submissions-per-minute");
        } else if (arg == "--behind-proxy") {
            behindProxy = true;
        } else if (arg == "remove" && hasValue && i + 2 == argc) {
            removeId = argv[++i];
        } else {
            Usage(("what is " + arg + "?").c_str());
        }
    }

    if (mkdir(data.c_str(), 0750) != 0 && !IsFolder(data)) {
        std::fprintf(stderr, "kubrask-server: cannot make the data folder %s: %s\n", data.c_str(), std::strerror(errno));
        return 1;
    }
    // A file that may grow no more (a limit on file sizes) fails its write,
    // as a full disk does, rather than end the server.
    signal(SIGXFSZ, SIG_IGN);
    if (database.empty()) database = data + "/kubrask.sqlite";
    std::string error;
    std::unique_ptr<Store> store = OpenStore(database, cores + verifiers, &error);
    if (!store) {
        std::fprintf(stderr, "kubrask-server: cannot open %s: %s\n", database.c_str(), error.c_str());
        return 1;
    }
    if (!seedDay.empty()) {
        const auto kept = store->DaySeed(seedDay, seed);
        if (!kept) {
            std::fprintf(stderr, "kubrask-server: cannot set the board of %s\n", seedDay.c_str());
            return 1;
        }
        std::printf("kubrask-server: the board of %s has seed %lld\n", seedDay.c_str(), static_cast<long long>(*kept));
        return 0;
    }
    if (!removeId.empty()) {
        if (!store->Remove(removeId)) {
            std::fprintf(stderr, "kubrask-server: no game %s in %s\n", removeId.c_str(), data.c_str());
            return 1;
        }
        std::printf("kubrask-server: game %s is taken down\n", removeId.c_str());
        return 0;
    }

    // Beside the build's, or where the package puts them: lib/kubrask-server
    // holds the programs, share/kubrask-server the site and the art.
    const std::string here = ProgramFolder(), shared = here + "/../../share/kubrask-server";
    if (site.empty()) site = IsFolder(here + "/../web/site") ? here + "/../web/site" : shared + "/site";
    if (!IsFolder(site)) Usage(("there is no site at " + site + ": build it (cmake --build --preset web) or name it with --site").c_str());
    char resolved[PATH_MAX];
    if (realpath(site.c_str(), resolved) != nullptr) site = resolved;
    VerifierSetup setup;
    setup.program = here + "/kubrask-verify";
    setup.art = !art.empty() ? art : IsFolder(here + "/Data") ? here : shared;
    if (realpath(setup.art.c_str(), resolved) != nullptr) setup.art = resolved;
    if (!IsFolder(setup.art + "/Data")) Usage(("there is no Data/ folder of the game's art in " + setup.art).c_str());
    setup.scratch = data + "/scratch";
    if (realpath(data.c_str(), resolved) != nullptr) setup.scratch = std::string(resolved) + "/scratch";
    mkdir(setup.scratch.c_str(), 0700);
    ClearScratch(setup.scratch);
    if (access(setup.program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "kubrask-server: cannot run %s, which proves the games\n", setup.program.c_str());
        return 1;
    }

    VerifyQueue queue(setup, verifiers, verifiers * 4);
    RouteOptions options;
    options.site = site;
    options.submissionsPerMinute = perMinute;
    options.clockOffset = clockOffset;
    Routes routes(options, *store, queue);
    HttpOptions http;
    http.address = listen;
    http.port = static_cast<unsigned short>(port);
    http.threads = cores > 1 ? cores : 1;
    http.behindProxy = behindProxy;
    http.bodyLimit = JournalLimit;
    const bool served = ServeHttp(
        http, [&routes](Request&& request, const Client& client, Reply reply) { routes.Handle(std::move(request), client, std::move(reply)); },
        [&](unsigned short taken) {
            std::printf("kubrask-server: serving %s on http://%s:%u/ with its data in %s\n", site.c_str(),
                        listen.find(':') != std::string::npos ? ("[" + listen + "]").c_str() : listen.c_str(),
                        static_cast<unsigned>(taken), database.rfind("postgres", 0) == 0 ? "PostgreSQL" : data.c_str());
            std::fflush(stdout);
        });
    return served ? 0 : 1;
}
