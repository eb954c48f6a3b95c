#include "player/PacketQueue.h"

void PacketQueue::Start() {
    std::lock_guard lock(mutex_);
    abort_ = false;
    pushLocked(nullptr, 0);
}

void PacketQueue::pushLocked(AVPacket* packet, int bytes) {
    nodes_.push_back(Node{packet});
    bytes_ += bytes + NodeOverhead;
    cond_.notify_one();
}

void PacketQueue::Put(AVPacket* packet) {
    std::lock_guard lock(mutex_);
    AVPacket* node;
    if (!spare_.empty()) {
        node = spare_.back();
        spare_.pop_back();
    } else {
        node = av_packet_alloc();
        if (!node)
            return;
    }
    const int bytes = packet->size;
    av_packet_move_ref(node, packet);
    pushLocked(node, bytes);
}

void PacketQueue::PutFlush() {
    std::lock_guard lock(mutex_);
    pushLocked(nullptr, 0);
}

void PacketQueue::PutEnd(int streamIndex) {
    PacketPtr end(av_packet_alloc());
    if (!end)
        return;
    end->stream_index = streamIndex;
    Put(end.get());
}

PacketQueue::GetResult PacketQueue::Get(AVPacket* out, bool block) {
    GetResult result;
    {
        std::unique_lock lock(mutex_);
        if (block)
            cond_.wait(lock, [this] { return abort_ || !nodes_.empty(); });
        if (abort_)
            return Stopped;
        if (nodes_.empty())
            return Empty;
        Node node = nodes_.front();
        nodes_.pop_front();
        if (node.packet) {
            bytes_ -= node.packet->size + NodeOverhead;
            av_packet_move_ref(out, node.packet);
            spare_.push_back(node.packet);
            result = Packet;
        } else {
            bytes_ -= NodeOverhead;
            result = Flush;
        }
    }
    if (producerWake_)
        producerWake_->Notify();
    return result;
}

void PacketQueue::FlushAll() {
    std::lock_guard lock(mutex_);
    for (auto& node : nodes_) {
        if (node.packet) {
            av_packet_unref(node.packet);
            spare_.push_back(node.packet);
        }
    }
    nodes_.clear();
    bytes_ = 0;
    // Keep enough spares for a refill; the rest go back to the library.
    while (spare_.size() > MaxSpares) {
        av_packet_free(&spare_.back());
        spare_.pop_back();
    }
}

PacketQueue::~PacketQueue() {
    FlushAll();
    for (AVPacket* p : spare_)
        av_packet_free(&p);
}

void PacketQueue::Abort() {
    {
        std::lock_guard lock(mutex_);
        abort_ = true;
    }
    cond_.notify_all();
}

bool PacketQueue::Aborted() const {
    std::lock_guard lock(mutex_);
    return abort_;
}

int PacketQueue::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(nodes_.size());
}

int64_t PacketQueue::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}
