// How fast the real game draws, and what it costs, on the display it is
// started on: ten seconds of the game as a player starts it, once with
// presenting left to run as fast as it can and once paced to the display,
// side by side. Frames per second and the process's CPU time (all its
// threads, the OpenGL driver's among them) as a share of one core.
//
//   frame_pacing_bench              both runs, on $DISPLAY
//   frame_pacing_bench paced|free   one run
//
// It runs the layer the game ships with. The free run's presenting, and the
// count of frames, come from two stand-ins put in the layer's place at link
// time (--wrap).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

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
int Run(bool paced) {
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
    auto start = std::chrono::steady_clock::now();
    char noArguments[] = "";
    WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    std::printf("%-6s %8d frames %6.1f s %8.1f fps %7.1f %% of one core\n", paced ? "paced" : "free",
                PresentedFrames, wall, PresentedFrames / wall, 100.0 * cpu / wall);
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
    SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
    return TRUE;
}
}

int main(int argc, char** argv) {
    if (argc == 2) return Run(std::strcmp(argv[1], "paced") == 0);
    std::printf("The game for %u s on %s, drawn as fast as it can, then paced:\n", RunMs / 1000,
                std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "no display");
    std::fflush(stdout);
    for (const char* mode : {"free", "paced"}) {
        pid_t child = fork();
        if (child == 0) {
            execl("/proc/self/exe", argv[0], mode, static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    }
    return 0;
}
