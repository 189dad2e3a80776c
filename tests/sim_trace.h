// A simulator run's trace in memory, and its summary line.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim.h"

namespace tessaron {
namespace testing_support {

// The trace of the run; `link`, if given, records or plays back; the
// summary line goes to `summary`, if given.
inline std::string traceOf(const sim::Options& options, const std::vector<sim::ScriptLine>& script,
                           const std::vector<sim::ScriptLine>& script2 = {}, sim::ReplayLink* link = nullptr,
                           std::string* summary = nullptr) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    const sim::Summary result = sim::run(options, script, out, script2, nullptr, nullptr, link);
    std::fclose(out);
    std::string trace(data, size);
    std::free(data);
    if (summary) *summary = sim::summaryLine(result);
    return trace;
}

} // namespace testing_support
} // namespace tessaron
