// The match state as a value: what a snapshot, a restore and the digests of
// a busy moment cost (rollback does each up to eight times a step), and
// the size of its bytes.  The busy moment: a versus match against the
// computer, the left board steered by random keys, at the step where both
// boards hold the most blocks and particles together.  Also the cost of a
// logic step with the bot, side by side with another build's simulator when
// BENCH_BEFORE names its build folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "session/match_state.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

MatchState busyMoment() {
    MatchState m(1024, 768, 77);
    m.versus.opponent = 1;
    m.versus.cpuLevel = 5;
    m.load();
    std::mt19937 keys(5);
    MatchState busiest = m;
    int best = -1;
    StepInput in;
    for (int step = 0; step < 30000; ++step) {
        if (step % 4 == 0) in.sides[0] = static_cast<std::uint8_t>(keys() & SideSteerBits);
        m.step(in);
        const int weight = m.boards[0].occupiedCount() + m.boards[1].occupiedCount() +
                           m.boards[0].particles.count + m.boards[1].particles.count;
        if (weight > best) best = weight, busiest = m;
    }
    MatchBinding bind(MatchContext{&busiest.random, busiest.players, nullptr});
    for (Board& b : busiest.boards) {
        for (int c = 0; c < Board::Columns; ++c)
            for (int r = 2; r < Board::Rows; ++r) {
                Cell& cell = b.grid[c][r];
                if (!cell.occupied()) cell.kind = KindBlock, cell.colour = (c + r) % 4;
                if (r < 5 && c < 7) b.burstCell(cell);
            }
    }
    return busiest;
}

template <class F>
double microseconds(int repeats, F&& f) {
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < repeats; ++i) f();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count() / repeats);
    }
    return best;
}

// Logic steps per second of `sim` with the bot, from its summary line.
double stepsPerSecond(const std::string& sim) {
    const std::string command = sim + " --bot --steps 400000 --quiet";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return 0;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    pclose(out);
    const char* at = read ? std::strstr(line, "steps_per_s=") : nullptr;
    return at ? std::atof(at + 12) : 0;
}

} // namespace

int main(int, char** argv) {
    const MatchState busy = busyMoment();
    volatile std::uint64_t sink = 0;
    MatchState target = busy;
    const double snapshot = microseconds(2000, [&] {
        MatchState copy = busy;
        sink = sink + static_cast<std::uint64_t>(copy.elapsedTicks);
    });
    const double restore = microseconds(2000, [&] { target = busy; });
    const double digest = microseconds(2000, [&] { sink = sink + busy.digest(); });
    const double matchDigest = microseconds(2000, [&] { sink = sink + busy.matchDigest(); });
    std::printf("bench_state: busy moment: %d + %d blocks, %d + %d particles, %zu + %zu + %zu messages\n",
                busy.boards[0].occupiedCount(), busy.boards[1].occupiedCount(), busy.boards[0].particles.count,
                busy.boards[1].particles.count, busy.boards[0].messages.items.size(),
                busy.boards[1].messages.items.size(), busy.messages.items.size());
    std::printf("bench_state: snapshot %.2f us, restore %.2f us, snapshot + restore %.2f us (target 20)\n", snapshot,
                restore, snapshot + restore);
    std::printf("bench_state: digest %.2f us, match digest %.2f us (target 20)\n", digest, matchDigest);
    std::printf("bench_state: serialised state %zu bytes\n", busy.serialise().size());

    // The simulator beside this program, and another build's if named.
    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const char* before = std::getenv("BENCH_BEFORE");
    double now = 0, then = 0;
    for (int round = 0; round < 3; ++round) {
        now = std::max(now, stepsPerSecond(dir + "tessaron-sim"));
        if (before) then = std::max(then, stepsPerSecond(std::string(before) + "/bin/tessaron-sim"));
    }
    std::printf("bench_state: logic steps/s with the bot: %.0f", now);
    if (before) std::printf(", before %.0f, step cost %.3f of before", then, now > 0 ? then / now : 0.0);
    std::printf("\n");
    return 0;
}
