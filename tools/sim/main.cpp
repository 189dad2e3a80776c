// tessaron-sim: the match logic headless, for golden traces, benchmarks,
// soak runs and reproducing a game.  See README.md for its command line.
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/file_replace.h"
#include "sim.h"

// The exit status when the trace, the summary or the recorded replay could
// not be written in full (2 is a bad command line or replay file), and when
// a replay's digest disagrees with the match played back.
constexpr int WriteFailed = 3;
constexpr int ReplayDisagrees = 4;

int main(int argc, char** argv) {
    using namespace tessaron::sim;
    Options options;
    std::vector<ScriptLine> script;
    std::vector<ScriptLine> script2;
    std::string problem = parseOptions(argc - 1, argv + 1, options);
    tessaron::Replay replay;
    ReplayLink link;
    link.record = !options.recordPath.empty();
    if (problem.empty() && !options.replayPath.empty()) {
        problem = tessaron::loadReplay(options.replayPath, replay);
        options = replayOptions(replay, options);
        link.play = &replay;
    }
    if (problem.empty() && !options.scriptPath.empty()) problem = loadScript(options.scriptPath, script);
    if (problem.empty() && !options.script2Path.empty()) problem = loadScript(options.script2Path, script2);
    std::FILE* trace = nullptr;
    if (problem.empty() && !options.tracePath.empty()) {
        trace = options.tracePath == "-" ? stdout : std::fopen(options.tracePath.c_str(), "w");
        if (!trace) problem = "cannot write trace '" + options.tracePath + "'";
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "tessaron-sim: %s\n", problem.c_str());
        return 2;
    }
    if (!options.quiet && options.netRole) {
        std::fprintf(stderr, "tessaron-sim: %s, %llu steps, input delay %d\n",
                     options.netRole == 1 ? "hosting on the loopback" : "joining",
                     static_cast<unsigned long long>(options.steps), options.inputDelay);
    } else if (!options.quiet && link.play) {
        std::fprintf(stderr, "tessaron-sim: replay of %s match, seed %u, %llu steps\n",
                     replay.finished ? "a" : "an unfinished", replay.header.seed,
                     static_cast<unsigned long long>(options.steps));
    } else if (!options.quiet) {
        std::fprintf(stderr, "tessaron-sim: seed %u, %llu steps, %s\n", options.seed,
                     static_cast<unsigned long long>(options.steps),
                     options.bot ? "bot playing" : options.scriptPath.empty() ? "no keys" : "scripted keys");
    }
    int netStatus = 0;
    std::string netMessage;
    Summary summary = options.netRole ? runNet(options, script, trace, netStatus, netMessage)
                                      : run(options, script, trace, script2, nullptr, nullptr, &link);
    if (netStatus == NetNoMatch) {
        std::fprintf(stderr, "tessaron-sim: no match: %s\n", netMessage.c_str());
        return netStatus;
    }
    if (link.play && summary.steps == 0 && !link.problem.empty()) {
        std::fprintf(stderr, "tessaron-sim: replay '%s': %s\n", options.replayPath.c_str(), link.problem.c_str());
        return 2;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    summary.net.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    // The stream checked every write of the trace (the run stops at the
    // first that fails); what it still buffers goes out with the close, or
    // with the flush of standard output after the summary.
    std::string failed;  // what could not be written in full
    int error = errno;
    if (trace) {
        const bool traceFailed = std::ferror(trace) != 0;
        const bool closeFailed = trace != stdout && std::fclose(trace) != 0;
        if (closeFailed && !traceFailed) error = errno;
        if (traceFailed || closeFailed) failed = trace == stdout ? "the trace" : "trace '" + options.tracePath + "'";
    }
    if (failed.empty() && link.record) {
        const std::string written = tessaron::writeFileReplacing(options.recordPath, formatReplay(link.recorded));
        if (!written.empty()) {
            std::fprintf(stderr, "tessaron-sim: %s\n", written.c_str());
            return WriteFailed;
        }
    }
    if (failed.empty()) {
        std::printf("%s\n", summaryLine(summary).c_str());
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            failed = "standard output";
            error = errno;
        }
    }
    if (!failed.empty()) {
        std::fprintf(stderr, "tessaron-sim: cannot write %s: %s\n", failed.c_str(), std::strerror(error));
        return WriteFailed;
    }
    if (!link.problem.empty()) {
        std::fprintf(stderr, "tessaron-sim: replay '%s': %s\n", options.replayPath.c_str(), link.problem.c_str());
        return ReplayDisagrees;
    }
    if (netStatus) std::fprintf(stderr, "tessaron-sim: %s\n", netMessage.c_str());
    return netStatus;
}
