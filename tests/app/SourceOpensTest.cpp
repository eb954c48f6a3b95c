// How often an add opens its sources, and where: a worker opens each source
// once, the windows show what it found, and the job's task takes that input
// over, so the main thread opens none. The opens are counted by the system's
// file-watch events; the main thread's part of an add runs only while the
// test serves posted calls, so opens counted while it does not are the worker's.
#include "AppFakes.h"
#include "app/MainWindowLogic.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/OpenCounter.h"
#include "media/FFmpegLoader.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int32_t WavProfile = 202;

// Waits without serving the main thread's queue: true once `counter` has seen `opens`.
bool OpensReach(TOpenCounter& counter, int opens) {
    for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(5ms))
        if (counter.Opens() >= opens)
            return true;
    return false;
}

class SourceOpensTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        clips_ = new TempDir;
        for (const char* name : {"a.mkv", "b.avi", "c.mp4"})
            MakeClip(clips_->File(name), VideoAndAudioClip(1.0));
        // Read as MPEG, as its task reads it.
        ClipSpec mpeg = VideoAndAudioClip(1.0);
        mpeg.Format = "mpeg";
        MakeClip(clips_->File("movie.DAT"), mpeg);
        WriteRandomBytes(clips_->File("noise.avi"), 4096);
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }

    void SetUp() override {
        fs::create_directories(dir.Path() / "out");
        store = std::make_unique<TSettingsStore>(dir.File("system.ini"), dir.Path().string());
        view.Chooser = ConfirmWith(TJobRequest{WavProfile});
        logic = std::make_unique<TMainWindowLogic>(view, platform, *store, dir.Path().string());
        logic->Initialise((dir.Path() / "out").string());
    }

    static std::string Clip(const std::string& name) { return clips_->File(name); }
    bool ServeUntilAdded() {
        return ServeUntil([&] { return !logic->Adding(); }, 30s);
    }

    static TempDir* clips_;
    TempDir dir;
    TFakeView view;
    TFakePlatform platform;
    std::unique_ptr<TSettingsStore> store;
    std::unique_ptr<TMainWindowLogic> logic;
};

TempDir* SourceOpensTest::clips_ = nullptr;

} // namespace

TEST_F(SourceOpensTest, ASingleAddOpensItsSourceOnceOnTheWorker) {
    for (const char* name : {"a.mkv", "movie.DAT"}) {
        SCOPED_TRACE(name);
        const std::string file = Clip(name);
        TOpenCounter counter(file);
        int opensAtChooser = -1;
        view.Chooser = [&](const std::vector<std::string>& sources, const std::string& folder, bool clip) {
            opensAtChooser = counter.Opens();
            return ConfirmWith(TJobRequest{WavProfile})(sources, folder, clip);
        };
        const size_t shown = view.ChooserSources.size();
        platform.OneFile = file;
        logic->AddOneFile();
        // The window stays usable meanwhile; no second add starts.
        EXPECT_TRUE(logic->Adding());
        EXPECT_FALSE(view.IsEnabled(TMainAction::Add));
        ASSERT_TRUE(OpensReach(counter, 1)); // the main thread is not serving: the worker's open
        ASSERT_TRUE(ServeUntilAdded());

        EXPECT_EQ(counter.Opens(), 1);
        EXPECT_EQ(opensAtChooser, 1); // the windows came after the probe
        ASSERT_EQ(view.ChooserSources.size(), shown + 1);
        EXPECT_EQ(view.ChooserSources.back().DurationSeconds, 1);
        EXPECT_EQ(view.ChooserSources.back().AudioTracks.size(), 1u);
        ASSERT_EQ(view.Rows.size(), shown + 1);
        EXPECT_EQ(view.Rows.back().SourceFile, file);
        EXPECT_TRUE(view.IsEnabled(TMainAction::Add));
        EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    }
}

TEST_F(SourceOpensTest, AManyAddOpensEachSourceOnceOnTheWorkers) {
    const std::vector<std::string> files{Clip("a.mkv"), Clip("b.avi"), Clip("movie.DAT"), Clip("c.mp4")};
    std::vector<std::unique_ptr<TOpenCounter>> counters;
    for (const std::string& file : files)
        counters.push_back(std::make_unique<TOpenCounter>(file));
    logic->AddFiles(files);
    // The first file, whose facts the windows show, is probed before them.
    ASSERT_TRUE(OpensReach(*counters[0], 1));
    ASSERT_TRUE(ServeUntil([&] { return !view.ChooserSources.empty(); }, 30s));
    EXPECT_EQ(view.ChooserSources[0].DurationSeconds, 1);
    EXPECT_EQ(view.ChooserClipAllowed, std::vector<bool>{false});
    // The others are opened by the worker with the main thread not serving.
    for (size_t i = 1; i < files.size(); ++i)
        ASSERT_TRUE(OpensReach(*counters[i], 1)) << files[i];
    ASSERT_TRUE(ServeUntilAdded());

    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(counters[i]->Opens(), 1) << files[i];
    ASSERT_EQ(view.Rows.size(), files.size());
    EXPECT_EQ(logic->Jobs().Slot(2).Input.FileFormat, "mpeg");
}

TEST_F(SourceOpensTest, AnUnreadableSourceIsToldAfterTheWindowsWithNothingKnown) {
    platform.OneFile = Clip("noise.avi");
    logic->AddOneFile();
    ASSERT_TRUE(ServeUntilAdded());
    ASSERT_EQ(view.ChooserSources.size(), 1u);
    EXPECT_FALSE(view.ChooserSources[0].DurationSeconds);
    EXPECT_TRUE(view.ChooserSources[0].AudioTracks.empty());
    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Text, "无法识别的音频或视频文件！" + Clip("noise.avi"));
    EXPECT_TRUE(view.Rows.empty());
    EXPECT_TRUE(view.IsEnabled(TMainAction::Add));

    // A folder is refused before any window or worker.
    logic->AddFiles({clips_->Path().string()});
    EXPECT_FALSE(logic->Adding());
    EXPECT_EQ(view.ChooserSources.size(), 1u);
}

TEST_F(SourceOpensTest, ASecondAddWaitsForTheFirstAndAClosedWindowEndsTheProbe) {
    logic->AddFiles({Clip("a.mkv")});
    logic->AddFiles({Clip("b.avi")}); // refused: one add at a time
    platform.ManyFiles = {Clip("c.mp4"), Clip("b.avi")};
    logic->AddManyFiles();
    ASSERT_TRUE(ServeUntilAdded());
    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(view.Rows[0].SourceFile, Clip("a.mkv"));
    EXPECT_EQ(view.ChooserSources.size(), 1u);

    // The window closes while the worker probes: nothing is listed, nothing is left running.
    logic->AddFiles({Clip("b.avi")});
    logic.reset();
    ProcessPendingMessages();
    EXPECT_EQ(view.Rows.size(), 1u);
}
