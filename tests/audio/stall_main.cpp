// tessaron-stall: the game itself, for tests only, whose main thread can be
// stalled from outside: each SIGUSR1 sent to the main thread (tgkill with the
// process id as thread id) makes it alone sleep, wherever it is, as a
// debugger holding it would, and then say so on standard error.  The sleeps
// are TESSARON_STALL_MS, milliseconds separated by commas, one per signal
// (the last repeats; default 2000).
#include <allegro.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "shell/app.h"

namespace {

long StallMs[8] = {2000};
int Stalls = 1, Next = 0;

void stall(int) {
    const int saved = errno;
    const long ms = StallMs[Next < Stalls - 1 ? Next++ : Stalls - 1];
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
    char* list = std::getenv("TESSARON_STALL_MS");
    for (Stalls = 0; list && *list && Stalls < 8; list += *list == ',') StallMs[Stalls++] = std::strtol(list, &list, 10);
    Stalls = Stalls ? Stalls : 1;
    struct sigaction action = {};
    action.sa_handler = stall;
    sigaction(SIGUSR1, &action, nullptr);
    return tessaron::runApplication();
}
END_OF_MAIN()
