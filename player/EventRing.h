// The small ring of position and state events waiting for delivery. Consecutive
// entries of one kind coalesce into the newest, so a slow receiver sees the
// latest position and the latest state rather than a backlog. Not locked itself.
#pragma once

#include "player/PlayerTypes.h"

#include <array>
#include <cstdint>

enum TPlayerEventKind : uint8_t { ekPosition = 1, ekState = 2, ekStop = 3 };

struct TPlayerEventEntry {
    TPlayerEventKind Kind = ekPosition;
    TPlayState State = psPlay;
    int64_t Position = 0;
};

class TEventRing {
public:
    static constexpr int Entries = 10; // one stays free: at most 9 pending

    void Push(const TPlayerEventEntry& entry);
    bool Pop(TPlayerEventEntry& entry);
    bool Empty() const { return read_ == write_; }
    int Pending() const { return (write_ - read_ + Entries) % Entries; }

private:
    std::array<TPlayerEventEntry, Entries> entries_;
    int read_ = 0;
    int write_ = 0;
};
