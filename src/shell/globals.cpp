#include "shell/globals.h"

namespace tessaron {

std::atomic<std::int32_t> TickCounter{0};
std::atomic<std::int32_t> QuitFlag{0};
std::int64_t FramesDrawn = 0;
std::int64_t LogicStepsRun = 0;
GameConfig Config;

} // namespace tessaron
