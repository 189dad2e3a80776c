// tessaron-sim: the match logic headless, for golden traces, benchmarks,
// soak runs and reproducing a game.  See README.md for its command line.
#include <cstdio>

#include "sim.h"

int main(int argc, char** argv) {
    using namespace tessaron::sim;
    Options options;
    std::vector<ScriptLine> script;
    std::vector<ScriptLine> script2;
    std::string problem = parseOptions(argc - 1, argv + 1, options);
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
    if (!options.quiet) {
        std::fprintf(stderr, "tessaron-sim: seed %u, %llu steps, %s\n", options.seed,
                     static_cast<unsigned long long>(options.steps),
                     options.bot ? "bot playing" : options.scriptPath.empty() ? "no keys" : "scripted keys");
    }
    Summary summary = run(options, script, trace, script2);
    if (trace && trace != stdout) std::fclose(trace);
    std::printf("%s\n", summaryLine(summary).c_str());
    return 0;
}
