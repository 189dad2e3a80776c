// tessaron-stall: the game itself, for tests only, whose main thread can be
// stalled from outside: each SIGUSR1 sent to the main thread (tgkill with the
// process id as thread id) makes it alone sleep, wherever it is, as a
// debugger holding it would, and then say so on standard error.
// TESSARON_STALL_MS is the first sleep in milliseconds (default 2000), and
// after a comma every later one.
#include <allegro.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "shell/app.h"

namespace {

long StallMs[2] = {2000, 2000};  // the first sleep, every later one
int Next = 0;

void stall(int) {
    const int saved = errno;
    const long ms = StallMs[Next];
    Next = 1;
    timespec rest{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    static const char Done[] = "tessaron-stall: the main thread slept\n";
    if (write(2, Done, sizeof Done - 1) < 0) {
    }
    errno = saved;
}

} // namespace

int main(int, char**) {
    if (char* ms = std::getenv("TESSARON_STALL_MS")) {
        StallMs[0] = StallMs[1] = std::strtol(ms, &ms, 10);
        if (*ms == ',') StallMs[1] = std::strtol(ms + 1, nullptr, 10);
    }
    struct sigaction action = {};
    action.sa_handler = stall;
    sigaction(SIGUSR1, &action, nullptr);
    return tessaron::runApplication();
}
END_OF_MAIN()
