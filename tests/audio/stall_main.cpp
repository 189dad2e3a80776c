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
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "shell/app.h"

namespace {

long StallMs[2] = {2000, 2000};  // the first sleep, every later one
int Next = 0;

void stall(int) {
    const int saved = errno;
    timespec rest{StallMs[Next] / 1000, StallMs[Next] % 1000 * 1000000L};
    Next = 1;
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    static const char Done[] = "tessaron-stall: the main thread slept\n";
    [[maybe_unused]] const ssize_t written = write(2, Done, sizeof Done - 1);
    errno = saved;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* ms = std::getenv("TESSARON_STALL_MS"))
        if (std::sscanf(ms, "%ld,%ld", &StallMs[0], &StallMs[1]) == 1) StallMs[1] = StallMs[0];
    struct sigaction action = {};
    action.sa_handler = stall;
    sigaction(SIGUSR1, &action, nullptr);
    return tessaron::runApplication(argc, argv);
}
END_OF_MAIN()
