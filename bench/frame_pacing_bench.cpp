// How fast the real game draws, and what it costs, on the display it is
// started on: ten seconds of the game as a player starts it, with presenting
// left to run as fast as it can (without its journal, then recording it)
// and paced to the display, side by side. Frames per second and the
// process's CPU time (all its threads, the OpenGL driver's among them) as a
// share of one core. Then how fast a kept three-minute game is played again
// from its journal without a window.
//
//   frame_pacing_bench                        all of it, on $DISPLAY
//   frame_pacing_bench free|recorded|paced    one run
//
// It runs the layer the game ships with. The free run's presenting, and the
// count of frames, come from two stand-ins put in the layer's place at link
// time (--wrap).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/state_digest.h"
#include "platform/sdl/layer.h"

namespace {

const Uint32 RunMs = 10000;
bool Pacing = true;
int PresentedFrames = 0;

Uint32 PressEscape(Uint32, void*) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&event);
    return 0;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// One run in a scratch folder with the game's art; prints one line.
int Run(bool paced, bool recorded) {
    char folder[] = "/tmp/kubrask-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    std::filesystem::create_directory_symlink(KUBRASK_BUILD_DIR "/Data", std::string(folder) + "/Data");
    std::filesystem::current_path(folder);
    Pacing = paced;
    if (!EnsureVideo() || SDL_InitSubSystem(SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "frame_pacing_bench needs a display: %s\n", SDL_GetError());
        return 1;
    }
    SDL_AddTimer(RunMs, PressEscape, nullptr);
    if (recorded) {
        char* name[] = {const_cast<char*>("frame_pacing_bench")};
        StartJournal(1, name);
        SetStateDigest(GameStateDigest, GameScore);
    }
    auto start = std::chrono::steady_clock::now();
    char noArguments[] = "";
    FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    std::printf("%-8s %8d frames %6.1f s %8.1f fps %7.1f %% of one core", paced ? "paced" : recorded ? "recorded" : "free",
                PresentedFrames, wall, PresentedFrames / wall, 100.0 * cpu / wall);
    if (recorded)
        std::printf(", a journal of %ju bytes", static_cast<uintmax_t>(std::filesystem::file_size("Kubrask.journal")));
    std::printf("\n");
    std::fflush(stdout);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    return 0;
}

}  // namespace

extern "C" {
BOOL WINAPI __real_wglMakeCurrent(HDC dc, HGLRC context);
BOOL WINAPI __real_SwapBuffers(HDC dc);

// Unpaced, no swap interval is asked for, and presenting waits for nothing.
BOOL WINAPI __wrap_wglMakeCurrent(HDC dc, HGLRC context) {
    BOOL made = __real_wglMakeCurrent(dc, context);
    if (made && context != nullptr && !Pacing) SDL_GL_SetSwapInterval(0);
    return made;
}

BOOL WINAPI __wrap_SwapBuffers(HDC dc) {
    ++PresentedFrames;
    if (Pacing) return __real_SwapBuffers(dc);
    JournalFrame();
    SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
    return TRUE;
}
}

// The planned game, three minutes kept in a journal, played again by the
// replay tool: the best of five runs.
void Replay() {
    const std::string command = "cd " KUBRASK_BUILD_DIR " && ./kubrask-replay " KUBRASK_SOURCE_DIR
                                "/tests/journals/planned-game-name.journal >/dev/null 2>&1";
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::printf("the replay tool did not play the planned game\n");
            return;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("The planned game's journal (%ju bytes, 3 minutes) played again without a window in %.0f ms\n",
                static_cast<uintmax_t>(std::filesystem::file_size(KUBRASK_SOURCE_DIR "/tests/journals/planned-game-name.journal")),
                best * 1000);
}

int main(int argc, char** argv) {
    if (argc == 2) return Run(std::strcmp(argv[1], "paced") == 0, std::strcmp(argv[1], "recorded") == 0);
    std::printf("The game for %u s on %s, drawn as fast as it can (not recorded, then recorded), then paced:\n",
                RunMs / 1000, std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "no display");
    std::fflush(stdout);
    for (const char* mode : {"free", "recorded", "free", "recorded", "paced"}) {
        pid_t child = fork();
        if (child == 0) {
            execl("/proc/self/exe", argv[0], mode, static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    }
    Replay();
    return 0;
}
