// An add examines its source with the component's probe and then registers it
// with AddTask: the task takes the probe's input over instead of opening the
// file again, when that input is the one it would open.
#include "ConverterTestSupport.h"
#include "fixtures/OpenCounter.h"
#include "media/FileHelpers.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

TInputOptions InputOptionsFor(const std::string& file) {
    TInputOptions options;
    InitInputOptions(options);
    options.FileName = file;
    return options;
}

std::vector<char> Bytes(const std::string& file) {
    std::vector<char> bytes;
    int64_t size = 0;
    EXPECT_EQ(ReadWholeFile(file, bytes, size), 0) << file;
    return bytes;
}

class ProbedInputTest : public ConverterTest {
protected:
    // Runs the listed tasks here to their end, expects each to finish, and empties the list.
    void RunAll() {
        conv.StartTask(0);
        for (const TEventRecord& e : Events())
            EXPECT_TRUE(e.Finished && !e.Failed) << e.TaskIndex << ": " << e.ErrorMessage;
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
};

TEST_F(ProbedInputTest, AnAddAfterTheProbeOpensTheSourceOnce) {
    const std::string input = Clip("in.avi", VideoAndAudioClip(0.4));
    TOpenCounter counter(input);
    TAVProbe& probe = conv.Probe();
    ASSERT_TRUE(probe.Open(input)) << probe.LastError();
    ASSERT_EQ(conv.AddTask(input, InputOptionsFor(input)), 0) << conv.LastError();
    EXPECT_EQ(counter.Opens(), 1);

    // The task has the input with its stream information; the probe let go of it.
    const AVFormatContext* context = conv.InputContext(0, 0);
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(context->nb_streams, 2u);
    for (unsigned i = 0; i < context->nb_streams; ++i)
        EXPECT_NE(context->streams[i]->codecpar->codec_id, AV_CODEC_ID_NONE) << i;
    EXPECT_EQ(probe.Context(), nullptr);
    EXPECT_EQ(probe.StreamCount(), -1);
    ASSERT_NE(conv.Tasks().Items(0).InputProbe(0), nullptr);
    EXPECT_EQ(conv.Tasks().Items(0).InputProbe(0)->StreamCount(), 2);

    // Nothing is left to take: the next add of the file opens it itself.
    ASSERT_EQ(conv.AddTask(input), 1) << conv.LastError();
    EXPECT_EQ(counter.Opens(), 2);
    EXPECT_TRUE(conv.SetOutputFile(0, dir.File("out0.avi"), HookedOutput())) << conv.LastError();
    EXPECT_TRUE(conv.SetOutputFile(1, dir.File("out1.avi"), HookedOutput())) << conv.LastError();
    RunAll();
}

TEST_F(ProbedInputTest, TheTaskOpensItsOwnInputWhenTheProbesWouldDiffer) {
    struct Case {
        const char* Name;
        const char* Source;      // the task's file
        const char* ProbedFile;  // the file the probe opened
        const char* ProbeFormat; // forced at the probe's open
        TInputOptions Options;   // FileName filled in below
        int Opens;               // of the task's file, probe's open included
    };
    TInputOptions plain = InputOptionsFor("");
    TInputOptions avi = plain;
    avi.FileFormat = "avi";
    TInputOptions probeSize = plain;
    probeSize.ExtOptions = "probesize=100000";
    TInputOptions decoder = plain;
    decoder.ExtOptions = "vcodec=mpeg4";
    TInputOptions program = plain;
    program.ProgramID = 1;
    const Case cases[] = {
        {"the same file", "in.avi", "in.avi", "", plain, 1},
        {"the same forced format", "in.avi", "in.avi", "avi", avi, 1},
        {"a format the probe did not force", "in.avi", "in.avi", "", avi, 2},
        {"a format the task does not force", "in.avi", "in.avi", "avi", plain, 2},
        {"a container option", "in.avi", "in.avi", "", probeSize, 2},
        {"a forced decoder", "in.avi", "in.avi", "", decoder, 2},
        {"a program", "in.ts", "in.ts", "", program, 2},
        {"another file", "in.avi", "other.avi", "", plain, 1},
    };
    Clip("in.avi");
    Clip("other.avi");
    Clip("in.ts");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string source = dir.File(c.Source);
        const std::string probed = dir.File(c.ProbedFile);
        TInputOptions options = c.Options;
        options.FileName = source;
        TOpenCounter counter(source);
        TAVProbe& probe = conv.Probe();
        ASSERT_TRUE(probe.Open(probed, c.ProbeFormat)) << probe.LastError();
        ASSERT_EQ(conv.AddTask(source, options), 0) << conv.LastError();
        EXPECT_EQ(counter.Opens(), c.Opens);
        // An input not taken stays with the probe, as it was.
        const bool taken = probed == source && c.Opens == 1;
        ASSERT_EQ(probe.Context() == nullptr, taken);
        if (!taken) {
            std::string held;
            probe.GetFileName(held);
            EXPECT_EQ(held, probed);
            EXPECT_EQ(probe.FormatName(), c.ProbeFormat);
            EXPECT_EQ(probe.VideoStreamCount(), 1);
        }
        EXPECT_TRUE(conv.SetOutputFile(0, dir.File("out.avi"), HookedOutput())) << conv.LastError();
        RunAll();
        probe.Close();
    }
    // The same conditions for an input handed over by a probe of the caller's
    // (on another thread, as an add's worker does); the component's own probe stays out of it.
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("handed over: ") + c.Name);
        const std::string source = dir.File(c.Source);
        const std::string probed = dir.File(c.ProbedFile);
        TInputOptions options = c.Options;
        options.FileName = source;
        TOpenCounter counter(source);
        std::optional<TProbedInput> input;
        std::thread([&] {
            TAVProbe own;
            ASSERT_TRUE(own.Open(probed, c.ProbeFormat)) << own.LastError();
            input = own.TakeInput(probed);
        }).join();
        ASSERT_TRUE(input);
        ASSERT_EQ(conv.AddTask(source, options, std::move(input)), 0) << conv.LastError();
        EXPECT_EQ(counter.Opens(), c.Opens);
        EXPECT_EQ(conv.Probe().Context(), nullptr);
        EXPECT_TRUE(conv.SetOutputFile(0, dir.File("out.avi"), HookedOutput())) << conv.LastError();
        RunAll();
    }
}

TEST_F(ProbedInputTest, AFileChangedSinceTheProbeOpenedItIsOpenedAgain) {
    const std::string input = dir.File("in.avi");
    const std::string longer = dir.File("longer.avi");
    MakeClip(longer, VideoOnlyClip(1.0));
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"replaced",
         [&] {
             std::filesystem::copy_file(longer, input + ".new");
             std::filesystem::rename(input + ".new", input);
         }},
        {"written over",
         [&] {
             std::filesystem::copy_file(longer, input, std::filesystem::copy_options::overwrite_existing);
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        MakeClip(input, VideoOnlyClip(0.2));
        ASSERT_TRUE(conv.Probe().Open(input)) << conv.Probe().LastError();
        change();
        ASSERT_EQ(conv.AddTask(input), 0) << conv.LastError();
        // The task reads the file as it is now, not the one the probe saw.
        EXPECT_NEAR(conv.InputContext(0, 0)->duration / 1e6, 1.0, 0.1);
        conv.ClearTasks();
        conv.Probe().Close();
    }
}

TEST_F(ProbedInputTest, ATakenInputConvertsLikeOneOpenedFresh) {
    const std::string input = Clip("in.avi", VideoAndAudioClip(0.6));
    TInputOptions whole = InputOptionsFor(input);
    TInputOptions clipped = whole;
    clipped.StartTime = 200000; // the seek happens on the taken input
    TOutputOptions output;
    InitOutputOptions(output);
    output.VideoCodec = "mpeg4";
    output.AudioCodec = "mp2";
    const std::pair<const char*, TInputOptions> cases[] = {{"whole", whole}, {"from 0.2 s", clipped}};
    for (const auto& [name, options] : cases) {
        SCOPED_TRACE(name);
        const std::string taken = dir.File("taken.avi");
        const std::string fresh = dir.File("fresh.avi");
        TOpenCounter counter(input);
        ASSERT_TRUE(conv.Probe().Open(input)) << conv.Probe().LastError();
        ASSERT_EQ(conv.AddTask(input, options), 0) << conv.LastError();
        ASSERT_TRUE(conv.SetOutputFile(0, taken, output)) << conv.LastError();
        ASSERT_EQ(counter.Opens(), 1);
        RunAll();
        ASSERT_EQ(conv.AddTask(input, options), 0) << conv.LastError();
        ASSERT_TRUE(conv.SetOutputFile(0, fresh, output)) << conv.LastError();
        ASSERT_EQ(counter.Opens(), 2);
        RunAll();

        const std::vector<char> a = Bytes(taken);
        EXPECT_GT(a.size(), 1000u);
        EXPECT_TRUE(a == Bytes(fresh));
        std::filesystem::remove(taken);
        std::filesystem::remove(fresh);
    }
}

} // namespace
