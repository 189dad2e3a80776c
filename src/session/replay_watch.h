// Watching a replay: what the watcher's keys ask of the playback on each
// owed tick (pause, 4x, 16x, a jump back), and the shelf of snapshots a
// jump back restores from instead of running the match again from its
// start.  No Allegro; logic thread only; nothing can fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaron {

// The watcher's keys on one owed tick (40 ms of real time).
struct WatchKeys {
    bool pause = false;     // Space
    bool fast = false;      // Right: 4x while held
    bool faster = false;    // Up: 16x while held
    bool back = false;      // Left: 10 s back on each press
};

struct WatchCommand {
    int steps = 0;          // logic steps to run on this tick
    bool jumpBack = false;  // first go back JumpBackSteps
};

class WatchControl {
public:
    static constexpr std::uint64_t JumpBackSteps = 250;  // 10 s

    // Space and Left act when pressed (not while held); Right and Up while
    // held, Up winning.  A jump back leaves the pause as it is.
    WatchCommand tick(const WatchKeys& keys);
    bool paused() const { return paused_; }
    // 0 while paused, else 1, 4 or 16.
    int speed() const { return speed_; }
    void setPaused(bool paused) { paused_ = paused; }

private:
    bool paused_ = false;
    int speed_ = 1;
    WatchKeys last_;
};

// Copies of a value (a match's state with its replay cursor) taken every
// `interval` steps.  Past `capacity` copies every other one is dropped and
// the interval doubles, so a sitting of any length keeps a bounded number.
template <class Snapshot>
class SnapshotShelf {
public:
    SnapshotShelf(std::uint64_t interval, std::size_t capacity) : interval_(interval), capacity_(capacity) {}

    // After step `step`: keeps a copy when one is due, or `always` (the
    // state a playback starts from).  Steps come in increasing order.
    void offer(std::uint64_t step, const Snapshot& value, bool always = false) {
        if (!wants(step, always)) return;
        items_.push_back({step, value});
        if (items_.size() <= capacity_) return;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (i == 0 || items_[i].step % (2 * interval_) == 0) items_[kept++] = items_[i];
        }
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(kept), items_.end());
        interval_ *= 2;
    }
    // True when offer() would keep a copy (so that none is made in vain).
    bool wants(std::uint64_t step, bool always = false) const {
        return (always || step % interval_ == 0) && (items_.empty() || items_.back().step < step);
    }
    // The latest copy taken at or before `step`, or null.
    const Snapshot* atOrBefore(std::uint64_t step, std::uint64_t& takenAt) const {
        for (std::size_t i = items_.size(); i-- > 0;) {
            if (items_[i].step <= step) {
                takenAt = items_[i].step;
                return &items_[i].value;
            }
        }
        return nullptr;
    }
    std::size_t size() const { return items_.size(); }
    std::uint64_t interval() const { return interval_; }

private:
    struct Item {
        std::uint64_t step;
        Snapshot value;
    };
    std::uint64_t interval_;
    std::size_t capacity_;
    std::vector<Item> items_;
};

} // namespace tessaron
