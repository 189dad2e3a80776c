// tessaron-framestats: the game itself, which on exit prints how many frames
// it drew per logic step and how much processor time it used per second.
// Used to measure the frame rate in a real window; the game proper prints
// nothing.
#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "shell/app.h"
#include "shell/globals.h"

int main(int argc, char** argv) {
    auto wallStart = std::chrono::steady_clock::now();
    int code = tessaron::runApplication(argc, argv);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double cpu = static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    long long frames = tessaron::FramesDrawn;
    long long steps = tessaron::LogicStepsRun;
    std::fprintf(stderr, "framestats: frames=%lld steps=%lld wall_s=%.2f cpu_s=%.2f fps=%.1f frames_per_step=%.2f cpu_per_s=%.3f\n",
                 frames, steps, wall, cpu, wall > 0 ? frames / wall : 0.0, steps > 0 ? double(frames) / steps : 0.0,
                 wall > 0 ? cpu / wall : 0.0);
    return code;
}
END_OF_MAIN()
