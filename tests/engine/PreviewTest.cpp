#include "preview/Preview.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "media/TextHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// What the surfaces of one factory saw; surfaces report here so that it
// outlives them.
struct SurfaceLog {
    int created = 0;
    int destroyed = 0;
    int paints = 0;
    int width = 0;
    int height = 0;
    std::string caption;
    bool offMainThread = false;
};

class FakeSurface : public TPreviewSurface {
public:
    explicit FakeSurface(SurfaceLog& log) : log_(log) { ++log_.created; }
    ~FakeSurface() override {
        log_.offMainThread |= !IsMainThread();
        ++log_.destroyed;
    }
    void Paint(const TBitmap24& picture, const std::string& caption) override {
        log_.offMainThread |= !IsMainThread();
        ++log_.paints;
        log_.caption = caption;
        EXPECT_GT(picture.Width, 0);
    }
    bool Closed() const override { return closedByUser; }

    bool closedByUser = false;

private:
    SurfaceLog& log_;
};

// Main thread only, like the surfaces it makes.
struct FakeWindows {
    SurfaceLog log;
    FakeSurface* current = nullptr;

    TPreviewSurfaceFactory Factory() {
        return [this](int width, int height) {
            log.offMainThread |= !IsMainThread();
            log.width = width;
            log.height = height;
            auto surface = std::make_unique<FakeSurface>(log);
            current = surface.get();
            return surface;
        };
    }
};

// A 4x2 BGR picture whose rows are already bitmap rows.
struct Picture {
    static constexpr int Width = 4;
    static constexpr int Height = 2;
    uint8_t pixels[12 * Height] = {};
    const uint8_t* data[4] = {pixels, nullptr, nullptr, nullptr};
    int linesize[4] = {12, 0, 0, 0};
};

class PreviewTest : public ::testing::Test {
protected:
    // Declared before the previews so that they outlive the windows the previews close.
    FakeWindows windows;
    FakeWindows windowsB;
    // Starts small on purpose: the first picture must not depend on the clock's origin.
    std::atomic<int64_t> now{1000};
    TTaskPreview preview{[this] { return now.load(); }};
    TTaskPreview other{[this] { return now.load(); }};
    Picture picture;

    void Step(int frameNumber, int64_t pts = 0, int width = Picture::Width) {
        preview.Step(picture.data, picture.linesize, AV_PIX_FMT_BGR24, Picture::Height, width, frameNumber,
                     pts);
    }
};

struct Delivery {
    int frameNumber;
    int64_t pts;
};

} // namespace

TEST_F(PreviewTest, FirstPictureAtOnceThenAtMostOneEveryTenthOfASecond) {
    struct Case {
        int64_t frameTime; // µs between encoded frames
        std::vector<int> previewed;
    } cases[] = {
        {10000, {0, 11, 22, 33, 44, 55, 66, 77, 88, 99}}, // 100 fps: about every tenth frame
        {40000, {0, 3, 6, 9, 12, 15, 18, 21, 24}},        // 25 fps
        {100000, {0, 2, 4, 6, 8}},                        // exactly the interval is not enough
        {250000, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frameTime);
        preview.Release();
        std::vector<int> delivered;
        preview.SetBitmapEvent([&](const TBitmap24& bitmap, int frameNumber, int64_t pts) {
            EXPECT_EQ(bitmap.Width, Picture::Width);
            EXPECT_EQ(pts, frameNumber * 7);
            delivered.push_back(frameNumber);
        });
        preview.SetFlags(PreviewBitmapBit);
        const int frames = static_cast<int>(1000000 / c.frameTime);
        for (int frame = 0; frame < frames; ++frame) {
            Step(frame, frame * 7);
            now += c.frameTime;
        }
        EXPECT_EQ(delivered, c.previewed);
    }
}

TEST_F(PreviewTest, BitmapFormWinsAndTheWindowFormNeedsASurfaceFactory) {
    int bitmaps = 0;
    preview.SetFlags(PreviewWindowBit | PreviewBitmapBit);
    Step(1);
    EXPECT_EQ(bitmaps, 0) << "no bitmap event connected";
    EXPECT_EQ(preview.Flags(), PreviewWindowBit | PreviewBitmapBit)
        << "without a factory the window form does nothing";

    preview.SetSurfaceFactory(windows.Factory());
    preview.SetBitmapEvent([&](const TBitmap24&, int, int64_t) { ++bitmaps; });
    now += 200000;
    Step(2);
    EXPECT_EQ(bitmaps, 1);
    EXPECT_EQ(windows.log.created, 0) << "with both flags and an event the bitmap form wins";

    preview.SetFlags(PreviewWindowBit);
    now += 200000;
    Step(3, 1500000);
    EXPECT_EQ(bitmaps, 1);
    EXPECT_EQ(windows.log.created, 1);
    EXPECT_EQ(windows.log.width, Picture::Width);
    EXPECT_EQ(windows.log.height, Picture::Height);
    EXPECT_EQ(windows.log.caption, FormatDurationText(1500000));
    EXPECT_FALSE(windows.log.offMainThread);
}

TEST_F(PreviewTest, FailedConversionTurnsOffThatFormOnlyAndIsLogged) {
    std::vector<std::string> logged;
    TFFLogger& logger = GetLogger();
    const bool wasInMain = logger.TriggerEventInMainThread;
    logger.TriggerEventInMainThread = false;
    logger.OnLog = [&](const TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
        if (level == llError)
            logged.push_back(msg);
    };

    int bitmaps = 0;
    preview.SetSurfaceFactory(windows.Factory());
    preview.SetBitmapEvent([&](const TBitmap24&, int, int64_t) { ++bitmaps; });
    preview.SetFlags(PreviewWindowBit | PreviewBitmapBit);
    Step(1, 0, 0); // an empty picture cannot be converted
    EXPECT_EQ(preview.Flags(), PreviewWindowBit);
    EXPECT_EQ(bitmaps, 0);

    now += 200000;
    Step(2);
    EXPECT_EQ(windows.log.paints, 1) << "the window form goes on";
    now += 200000;
    Step(3, 0, 0);
    EXPECT_EQ(preview.Flags(), 0);
    EXPECT_EQ(windows.log.destroyed, 1) << "a failed window preview closes the window";
    EXPECT_FALSE(preview.Active());

    logger.OnLog = nullptr;
    logger.TriggerEventInMainThread = wasInMain;
    EXPECT_EQ(logged, (std::vector<std::string>(2, TTaskPreview::ConversionFailedText)));
}

TEST_F(PreviewTest, ClosingOneTaskWindowStopsThatTaskOnly) {
    preview.SetSurfaceFactory(windows.Factory());
    other.SetSurfaceFactory(windowsB.Factory());
    preview.SetFlags(PreviewWindowBit);
    other.SetFlags(PreviewWindowBit);
    auto stepBoth = [&](int frame) {
        Step(frame);
        other.Step(picture.data, picture.linesize, AV_PIX_FMT_BGR24, Picture::Height, Picture::Width, frame,
                   0);
        now += 200000;
    };
    stepBoth(1);
    ASSERT_NE(windows.current, nullptr);
    windows.current->closedByUser = true;
    stepBoth(2);
    EXPECT_EQ(preview.Flags(), 0);
    EXPECT_EQ(windows.log.destroyed, 1);
    EXPECT_EQ(windows.log.paints, 1);
    stepBoth(3);
    EXPECT_EQ(windows.log.created, 1) << "a closed window does not come back";
    EXPECT_EQ(other.Flags(), PreviewWindowBit);
    EXPECT_EQ(windowsB.log.paints, 3);
    EXPECT_EQ(windowsB.log.destroyed, 0);
}

TEST_F(PreviewTest, ClearingTheWindowFlagOrReleasingClosesTheWindowAtOnce) {
    preview.SetSurfaceFactory(windows.Factory());
    preview.SetFlags(PreviewWindowBit);
    Step(1);
    preview.SetFlag(PreviewWindowBit, true); // the same value changes nothing
    EXPECT_EQ(windows.log.destroyed, 0);
    preview.SetFlag(PreviewWindowBit, false);
    EXPECT_EQ(windows.log.destroyed, 1);

    preview.SetFlags(PreviewWindowBit);
    now += 1; // within the interval: only a release lets the next picture through
    Step(2);
    EXPECT_EQ(windows.log.created, 1);
    preview.Release();
    Step(3);
    EXPECT_EQ(windows.log.created, 2);
    preview.Release();
    EXPECT_EQ(windows.log.destroyed, 2);
    EXPECT_EQ(preview.Flags(), PreviewWindowBit) << "release keeps the flags";
    EXPECT_FALSE(windows.log.offMainThread);
}

// A worker inside a preview step waits for the main thread (to paint, or to
// deliver the bitmap event); the main thread meanwhile changes the flags.
TEST_F(PreviewTest, FlagChangesFromTheMainThreadDoNotWaitForAWorkerInAStep) {
    for (const uint8_t form : {PreviewWindowBit, PreviewBitmapBit}) {
        SCOPED_TRACE(form == PreviewWindowBit ? "window" : "bitmap");
        preview.Release();
        windows = FakeWindows{};
        int bitmaps = 0;
        preview.SetSurfaceFactory(windows.Factory());
        // Delivered on the main thread, as the component does with TriggerEventInMainThread.
        preview.SetBitmapEvent([&](const TBitmap24&, int, int64_t) { RunInMainThread([&] { ++bitmaps; }); });
        preview.SetFlags(form);

        std::mutex mutex;
        std::condition_variable cv;
        bool queued = false;
        SetMainThreadWakeHandler([&] {
            std::lock_guard lock(mutex);
            queued = true;
            cv.notify_all();
        });
        std::atomic<bool> stepped{false};
        std::thread worker([&] {
            Step(1);
            stepped = true;
            WakeMainThread();
        });
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return queued; }));
        }
        SetMainThreadWakeHandler({});
        preview.SetFlags(0); // the worker waits for this thread: this must not wait for the worker
        EXPECT_TRUE(ServeUntil([&] { return stepped.load(); }, 10s));
        worker.join();
        EXPECT_EQ(preview.Flags(), 0);
        // A paint that was on its way when the window was switched off shows nothing.
        EXPECT_EQ(windows.log.created, 0);
        EXPECT_EQ(bitmaps, form == PreviewBitmapBit ? 1 : 0);
    }
}

TEST_F(PreviewTest, BitmapHandlerOnTheMainThreadMayChangeTheFlags) {
    preview.SetBitmapEvent(
        [&](const TBitmap24&, int, int64_t) { RunInMainThread([&] { preview.SetFlags(0); }); });
    preview.SetFlags(PreviewBitmapBit);
    std::atomic<bool> stepped{false};
    std::thread worker([&] {
        Step(1);
        stepped = true;
        WakeMainThread();
    });
    EXPECT_TRUE(ServeUntil([&] { return stepped.load(); }, 10s));
    worker.join();
    EXPECT_EQ(preview.Flags(), 0);
}

TEST_F(PreviewTest, WindowShownFromAWorkerIsPaintedAndClosedOnTheMainThread) {
    preview.SetSurfaceFactory(windows.Factory());
    preview.SetFlags(PreviewWindowBit);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int frame = 0; frame < 3; ++frame) {
            Step(frame);
            now += 200000;
        }
        preview.Release(); // end of the run, on the worker
        done = true;
        WakeMainThread();
    });
    EXPECT_TRUE(ServeUntil([&] { return done.load(); }, 10s));
    worker.join();
    EXPECT_EQ(windows.log.paints, 3);
    EXPECT_EQ(windows.log.destroyed, 1);
    EXPECT_FALSE(windows.log.offMainThread);
}
