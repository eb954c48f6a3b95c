// A queue of demuxed packets between the read thread and one decoder. The flush
// marker travels in line with the packets and tells the consumer to flush its
// decoder (after a seek); an empty packet (no data) tells it the input ended.
#pragma once

#include "media/LibraryPointers.h"
#include "player/Signal.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class PacketQueue {
public:
    // Bytes a queued node costs on top of its packet data.
    static constexpr int NodeOverhead = 72;

    enum GetResult { Stopped = -1, Empty = 0, Packet = 1, Flush = 2 };

    // `producerWake` is notified whenever a packet is taken, so the read thread can
    // wait for room instead of polling.
    explicit PacketQueue(Waker* producerWake = nullptr) : producerWake_(producerWake) {}
    ~PacketQueue();
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    // Clears the abort flag and puts the flush marker in, so the consumer starts clean.
    void Start();
    // Moves the packet's reference into the queue (`packet` is left blank).
    void Put(AVPacket* packet);
    void PutFlush();
    // An empty packet for `streamIndex`: the end of the input.
    void PutEnd(int streamIndex);
    // Moves the oldest packet into `out` (which must be blank).
    GetResult Get(AVPacket* out, bool block);
    // Drops every queued packet.
    void FlushAll();
    void Abort();

    bool Aborted() const; // Abort was called
    int Count() const;
    int64_t Bytes() const;

private:
    struct Node {
        AVPacket* packet; // null for the flush marker
    };
    static constexpr size_t MaxSpares = 256;
    void pushLocked(AVPacket* packet, int bytes);

    mutable std::mutex mutex_;
    std::condition_variable cond_;
    std::deque<Node> nodes_;       // guarded by mutex_
    std::vector<AVPacket*> spare_; // guarded by mutex_; blank packets for reuse
    int64_t bytes_ = 0;            // guarded by mutex_
    bool abort_ = false;           // guarded by mutex_
    Waker* producerWake_;
};
