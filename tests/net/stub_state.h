// A stand-in match for the network layer's tests: its state is a hash chain
// of every input it stepped on, so a step run on the wrong keys, in the
// wrong order or twice shows in its digest.  Serialises to 16 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron {
namespace testing_support {

struct StubInput {
    std::uint8_t sides[2] = {0, 0};
};

struct StubEvents {
    std::uint32_t step = 0;
};

struct StubState {
    std::uint32_t steps = 0;
    std::uint64_t chain = 1469598103934665603ull;

    StubEvents step(const StubInput& in) {
        ++steps;
        chain = ((chain ^ in.sides[0]) * 1099511628211ull ^ in.sides[1]) * 1099511628211ull;
        return {steps};
    }
    std::uint64_t matchDigest() const { return chain ^ steps; }
    std::vector<std::uint8_t> serialise() const {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(steps >> (8 * i)));
        for (int i = 0; i < 4; ++i) out.push_back(0);
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(chain >> (8 * i)));
        return out;
    }
    // The 16 bytes serialise writes; the four in the middle must be zero.
    static bool deserialise(const std::uint8_t* bytes, std::size_t size, StubState& out, std::string& error) {
        if (size != 16 || bytes[4] || bytes[5] || bytes[6] || bytes[7]) {
            error = "not a stub state";
            return false;
        }
        out = StubState();
        out.chain = 0;
        for (int i = 0; i < 4; ++i) out.steps |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
        for (int i = 0; i < 8; ++i) out.chain |= static_cast<std::uint64_t>(bytes[8 + i]) << (8 * i);
        return true;
    }
};

} // namespace testing_support
} // namespace tessaron
