#include "player/EventRing.h"

void TEventRing::Push(const TPlayerEventEntry& entry) {
    if (!Empty()) {
        auto& newest = entries_[(write_ + Entries - 1) % Entries];
        if (newest.Kind == entry.Kind) {
            newest = entry;
            return;
        }
    }
    entries_[write_] = entry;
    write_ = (write_ + 1) % Entries;
    if (write_ == read_) // full: the oldest gives way
        read_ = (read_ + 1) % Entries;
}

bool TEventRing::Pop(TPlayerEventEntry& entry) {
    if (Empty())
        return false;
    entry = entries_[read_];
    read_ = (read_ + 1) % Entries;
    return true;
}
