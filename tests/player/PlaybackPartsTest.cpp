// The small rules of the playback core: packet queues, the event ring, timing
// and stream feeding decisions.
#include "player/Clocks.h"
#include "player/EventRing.h"
#include "player/PacketQueue.h"
#include "player/ReadThread.h"
#include "player/VideoComponent.h"

#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

PacketPtr packetOf(int size, int64_t pts) {
    PacketPtr p(av_packet_alloc());
    av_new_packet(p.get(), size);
    p->pts = pts;
    return p;
}

} // namespace

TEST(PacketQueue, FlushMarkerTravelsInLineAndBytesCountTheNodes) {
    PacketQueue q;
    q.Start();
    EXPECT_EQ(q.Bytes(), PacketQueue::NodeOverhead) << "starts with the flush marker";
    auto a = packetOf(100, 1);
    q.Put(a.get());
    q.PutFlush();
    auto b = packetOf(50, 2);
    q.Put(b.get());
    EXPECT_EQ(q.Count(), 4);
    EXPECT_EQ(q.Bytes(), 150 + 4 * PacketQueue::NodeOverhead);

    PacketPtr out(av_packet_alloc());
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Flush);
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Packet);
    EXPECT_EQ(out->pts, 1);
    EXPECT_EQ(out->size, 100);
    av_packet_unref(out.get());
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Flush);
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Packet);
    EXPECT_EQ(out->pts, 2);
    av_packet_unref(out.get());
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Empty);
    EXPECT_EQ(q.Bytes(), 0);

    q.PutEnd(3);
    EXPECT_EQ(q.Get(out.get(), false), PacketQueue::Packet);
    EXPECT_EQ(out->data, nullptr) << "the end of the input is an empty packet";
    EXPECT_EQ(out->stream_index, 3);
}

TEST(PacketQueue, AbortReleasesABlockedConsumerAndFlushEmpties) {
    PacketQueue q;
    q.Start();
    auto p = packetOf(10, 0);
    q.Put(p.get());
    q.FlushAll();
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.Bytes(), 0);

    PacketPtr out(av_packet_alloc());
    PacketQueue::GetResult result = PacketQueue::Packet;
    std::thread consumer([&] { result = q.Get(out.get(), true); });
    std::this_thread::sleep_for(20ms);
    q.Abort();
    consumer.join();
    EXPECT_EQ(result, PacketQueue::Stopped);
}

TEST(EventRing, ConsecutiveEntriesOfOneKindCoalesce) {
    TEventRing ring;
    ring.Push({ekPosition, psPlay, 1});
    ring.Push({ekPosition, psPlay, 2});
    ring.Push({ekState, psPause, 0});
    ring.Push({ekState, psResume, 0});
    ring.Push({ekPosition, psPlay, 3});
    EXPECT_EQ(ring.Pending(), 3);
    TPlayerEventEntry e;
    ASSERT_TRUE(ring.Pop(e));
    EXPECT_EQ(e.Position, 2);
    ASSERT_TRUE(ring.Pop(e));
    EXPECT_EQ(e.State, psResume) << "a pause followed at once by a resume delivers only the resume";
    ASSERT_TRUE(ring.Pop(e));
    EXPECT_EQ(e.Position, 3);
    EXPECT_FALSE(ring.Pop(e));
}

TEST(EventRing, AFullRingDropsTheOldest) {
    TEventRing ring;
    for (int i = 0; i < 12; ++i)
        ring.Push({i % 2 ? ekState : ekPosition, psPlay, i});
    EXPECT_EQ(ring.Pending(), TEventRing::Entries - 1);
    TPlayerEventEntry e;
    ASSERT_TRUE(ring.Pop(e));
    EXPECT_EQ(e.Position, 3);
}

TEST(PlaybackTiming, DelayFollowsTheAudioOnlyBeyondTheThreshold) {
    struct Case {
        double Delay, Diff, Expected;
    };
    const Case cases[] = {
        {0.04, 0.0, 0.04},    {0.04, 0.039, 0.04}, {0.04, 0.04, 0.08},  {0.04, -0.04, 0.0},
        {0.04, -0.039, 0.04}, {0.04, 12.0, 0.04},  {0.04, -12.0, 0.04}, {0.005, 0.01, 0.01},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(SyncedDelay(c.Delay, c.Diff, true), c.Expected) << c.Delay << " " << c.Diff;
    EXPECT_DOUBLE_EQ(SyncedDelay(0.04, 5.0, false), 0.04) << "without audio pictures keep their delay";
}

TEST(PlaybackTiming, PictureTimestampsPreferTheBetterBehavedSource) {
    PtsFaultCounter c;
    EXPECT_EQ(c.Select(AV_NOPTS_VALUE, AV_NOPTS_VALUE), 0);
    EXPECT_EQ(c.Select(100, AV_NOPTS_VALUE), 100) << "no dts: the reordered pts";
    EXPECT_EQ(c.Select(AV_NOPTS_VALUE, 7), 7);
    c.Reset();
    // Decoder-reordered pts that go backwards count against the pts.
    EXPECT_EQ(c.Select(10, 10), 10);
    EXPECT_EQ(c.Select(5, 20), 20);
    EXPECT_EQ(c.PtsFaults, 1);
    // Repeated dts make the dts the worse source.
    c.Reset();
    c.Select(10, 10);
    c.Select(20, 10);
    c.Select(30, 10);
    EXPECT_EQ(c.Select(40, 10), 40);
}

TEST(PlaybackTiming, SkipRatioDropsThatShareOfPictures) {
    struct Case {
        double Ratio;
        int Shown; // of 100
    };
    for (const Case c : {Case{1.0, 100}, Case{0.95, 100}, Case{2.0, 50}, Case{1.05, 96}}) {
        double counter = 0;
        int shown = 0;
        for (int i = 0; i < 100; ++i)
            shown += TakeSkippedPicture(counter, c.Ratio) ? 1 : 0;
        EXPECT_NEAR(shown, c.Shown, 1) << "ratio " << c.Ratio;
    }
}

TEST(ReadThread, ReadingPausesWhenEveryOpenStreamHasEnoughOrTooMuchIsQueued) {
    struct Case {
        const char* Name;
        int64_t AudioBytes;
        int VideoPackets, SubtitlePackets;
        int64_t VideoBytes;
        bool HasAudio, HasVideo, HasSubtitles, Full;
    };
    const Case cases[] = {
        {"nothing queued", 0, 0, 0, 0, true, true, false, false},
        {"audio enough, video short", 0x50001, 5, 0, 1000, true, true, false, false},
        {"both enough", 0x50001, 6, 0, 1000, true, true, false, true},
        {"audio at the limit is not enough", 0x50000, 6, 0, 1000, true, true, false, false},
        {"streams not open count as enough", 0, 6, 0, 1000, false, true, false, true},
        {"subtitles short", 0x50001, 6, 2, 1000, true, true, true, false},
        {"15 MiB overall", 0, 0, 0, 15 * 1048576 + 1, true, true, false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueuesFull(c.AudioBytes, c.VideoPackets, c.SubtitlePackets, c.VideoBytes, 0, c.HasAudio,
                             c.HasVideo, c.HasSubtitles),
                  c.Full)
            << c.Name;
}
