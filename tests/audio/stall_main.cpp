// tessaron-stall: the game itself, for tests only, whose main thread can be
// stalled from outside.  SIGUSR1 sent to the process makes the main thread
// alone sleep for TESSARON_STALL_MS milliseconds (default 2000) wherever it
// is, as a debugger holding it would; every other thread runs on.
#include <allegro.h>

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "shell/app.h"

namespace {

pthread_t MainThread;
long StallMs = 2000;

// Runs on the main thread (async-signal-safe calls only).
void stall(int) {
    int saved = errno;
    timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += StallMs / 1000;
    until.tv_nsec += (StallMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    errno = saved;
}

} // namespace

int main(int, char**) {
    if (const char* ms = std::getenv("TESSARON_STALL_MS")) StallMs = std::atol(ms);
    MainThread = pthread_self();
    struct sigaction action = {};
    action.sa_handler = stall;
    sigaction(SIGUSR2, &action, nullptr);
    // SIGUSR1 is blocked here, so in every thread started later, and taken
    // by one thread that passes it on to the main thread as SIGUSR2.
    sigset_t request;
    sigemptyset(&request);
    sigaddset(&request, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &request, nullptr);
    std::thread([request] {
        for (int signal = 0;;) {
            if (sigwait(&request, &signal) == 0) pthread_kill(MainThread, SIGUSR2);
        }
    }).detach();
    return tessaron::runApplication();
}
END_OF_MAIN()
