// tessaron-stall: the game itself, for tests only, whose main thread can be
// stalled from outside: SIGUSR1 sent to the main thread (tgkill with the
// process id as thread id) makes it alone sleep TESSARON_STALL_MS
// milliseconds (default 2000) wherever it is, as a debugger holding it would,
// and then says so on standard error.
#include <allegro.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "shell/app.h"

namespace {

long StallMs = 2000;

void stall(int) {
    int saved = errno;
    timespec rest{StallMs / 1000, (StallMs % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    static const char Done[] = "tessaron-stall: the main thread slept\n";
    if (write(2, Done, sizeof Done - 1) < 0) {
    }
    errno = saved;
}

} // namespace

int main(int, char**) {
    if (const char* ms = std::getenv("TESSARON_STALL_MS")) StallMs = std::atol(ms);
    struct sigaction action = {};
    action.sa_handler = stall;
    sigaction(SIGUSR1, &action, nullptr);
    return tessaron::runApplication();
}
END_OF_MAIN()
