#include "media/AVProbe.h"

#include "fixtures/FifoRescue.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

struct LoggedLine {
    const TFFBaseComponent* sender;
    TLogLevel level;
    std::string text;
};

// Binds the converter's libraries, gives each test a temporary folder and
// records what the probe logs.
class ProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet)); }

    void SetUp() override {
        GetLogger().OnLog = [this](const TFFBaseComponent* sender, uint32_t, TLogLevel level,
                                   const std::string& msg) {
            if (sender == &probe)
                logged.push_back({sender, level, msg});
        };
    }
    void TearDown() override { GetLogger().OnLog = nullptr; }

    std::string File(const std::string& name) const { return dir.File(name); }

    void ExpectLogged(TLogLevel level, const std::string& text) {
        ASSERT_EQ(logged.size(), 1u) << text;
        EXPECT_EQ(logged[0].level, level);
        EXPECT_EQ(logged[0].text, text);
        EXPECT_EQ(probe.LastError(), text);
        logged.clear();
    }

    void ExpectEmpty() {
        EXPECT_EQ(probe.Context(), nullptr);
        EXPECT_FALSE(probe.OwnsContext());
        EXPECT_EQ(probe.FileSize(), -1);
        for (int32_t field : {probe.StreamCount(), probe.ProgramCount(), probe.AudioStreamCount(),
                              probe.VideoStreamCount(), probe.SubtitleStreamCount(), probe.FirstAudioStream(),
                              probe.FirstVideoStream(), probe.FirstSubtitleStream(), probe.DefaultStream()})
            EXPECT_EQ(field, -1);
    }

    TempDir dir;
    TAVProbe probe;
    std::vector<LoggedLine> logged;
};

struct ContextFree {
    void operator()(AVFormatContext* ctx) const { avformat_free_context(ctx); }
};

// A context with streams of the given kinds, in order, without any file behind it.
std::unique_ptr<AVFormatContext, ContextFree> ContextWithStreams(std::initializer_list<AVMediaType> kinds) {
    std::unique_ptr<AVFormatContext, ContextFree> ctx(avformat_alloc_context());
    for (AVMediaType kind : kinds)
        avformat_new_stream(ctx.get(), nullptr)->codecpar->codec_type = kind;
    return ctx;
}

} // namespace

TEST_F(ProbeTest, OpenCountsStreamsOfAFile) {
    const std::string name = File("中文 视频.mkv");
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Audio.push_back(spec.Audio.front());
    MakeClip(name, spec);

    ASSERT_TRUE(probe.Open(name)) << probe.LastError();
    EXPECT_TRUE(probe.OwnsContext());
    EXPECT_EQ(probe.FormatName(), "");
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(name)));
    EXPECT_EQ(probe.StreamCount(), 3);
    EXPECT_EQ(probe.ProgramCount(), 0);
    EXPECT_EQ(probe.VideoStreamCount(), 1);
    EXPECT_EQ(probe.AudioStreamCount(), 2);
    EXPECT_EQ(probe.SubtitleStreamCount(), 0);
    EXPECT_EQ(probe.FirstVideoStream(), 0);
    EXPECT_EQ(probe.FirstAudioStream(), 1);
    EXPECT_EQ(probe.FirstSubtitleStream(), -1);
    EXPECT_EQ(probe.DefaultStream(), 0);
    EXPECT_EQ(probe.DefaultStartTime(), probe.Context()->streams[0]->start_time);
    std::string text;
    probe.GetFileName(text);
    EXPECT_EQ(text, name);
    probe.GetFormatName(text);
    EXPECT_EQ(text, "matroska,webm");
    probe.GetFormatLongName(text);
    EXPECT_EQ(text, "Matroska / WebM");
    EXPECT_TRUE(logged.empty());

    probe.Close();
    ExpectEmpty();
}

// A pipe without writer sends nothing; the probe the main window uses gives up
// after its limit, or at once when cancelled from another thread.
TEST_F(ProbeTest, OpenOnAPipeWithoutWriterGivesUp) {
    using namespace std::chrono_literals;
    const struct {
        int timeoutMs;
        bool cancel;
        const char* suffix;
    } cases[] = {{300, false, ": the source sent no data within 300 ms"},
                 {20000, true, ": opening was stopped"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix);
        std::filesystem::remove(File("in.pipe"));
        FifoRescue fifo(File("in.pipe"), 8s);
        ASSERT_TRUE(fifo.Made());
        probe.SetOpenTimeout(c.timeoutMs);
        std::future<void> canceller;
        if (c.cancel)
            canceller = std::async(std::launch::async, [this] {
                std::this_thread::sleep_for(200ms);
                probe.CancelOpen();
            });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(probe.Open(fifo.Path()));
        const auto took = std::chrono::steady_clock::now() - start;
        fifo.Disarm();
        if (canceller.valid())
            canceller.get();
        EXPECT_FALSE(fifo.Rescued()) << "the open waited for a writer";
        EXPECT_LT(took, 5s);
        ExpectLogged(llError, fifo.Path() + c.suffix);
        ExpectEmpty();
    }
}

TEST_F(ProbeTest, StreamKindsAreCountedInIndexOrder) {
    auto ctx = ContextWithStreams({AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_DATA,
                                   AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_ATTACHMENT});
    probe.Attach(ctx.get());
    EXPECT_FALSE(probe.OwnsContext());
    EXPECT_EQ(probe.StreamCount(), 6);
    EXPECT_EQ(probe.FirstAudioStream(), 0);
    EXPECT_EQ(probe.FirstVideoStream(), 1);
    EXPECT_EQ(probe.FirstSubtitleStream(), 3);
    EXPECT_EQ(probe.AudioStreamCount(), 2);
    EXPECT_EQ(probe.VideoStreamCount(), 1);
    EXPECT_EQ(probe.SubtitleStreamCount(), 1);
    EXPECT_EQ(probe.DefaultStream(), 1);
    EXPECT_EQ(probe.FileSize(), 0);
    probe.Close();
    ExpectEmpty();
}

TEST_F(ProbeTest, DefaultStreamFallsBackToAudioThenNone) {
    auto audioOnly = ContextWithStreams({AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_AUDIO});
    audioOnly->streams[1]->start_time = 1234;
    probe.Attach(audioOnly.get());
    EXPECT_EQ(probe.DefaultStream(), 1);
    EXPECT_EQ(probe.DefaultStartTime(), 1234);

    // No default stream: the container's start, and 0 for the no-value marker.
    auto none = ContextWithStreams({AVMEDIA_TYPE_DATA});
    none->start_time = 5000;
    probe.Attach(none.get());
    EXPECT_EQ(probe.DefaultStream(), -1);
    EXPECT_EQ(probe.DefaultStartTime(), 5000);
    none->start_time = AV_NOPTS_VALUE;
    probe.Refresh();
    EXPECT_EQ(probe.DefaultStartTime(), 0);
    probe.Close();
}

TEST_F(ProbeTest, AttachedContextIsLeftToItsOpener) {
    const std::string name = File("attached.avi");
    MakeClip(name, VideoAndAudioClip(0.3));
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(OpenInputContext(&ctx, ToLibraryFileName(name), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(ctx, nullptr), 0);

    probe.Attach(ctx);
    EXPECT_EQ(probe.Context(), ctx);
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(name)));
    probe.Close();
    ExpectEmpty();
    // Still open and usable after the probe let go of it.
    AVPacket* packet = av_packet_alloc();
    EXPECT_GE(av_read_frame(ctx, packet), 0);
    av_packet_free(&packet);
    CloseInputContext(&ctx);
}

// A taken input outlives the probe and its reads ask the new owner's
// callback; a name other than the one opened takes nothing.
TEST_F(ProbeTest, TakenInputOutlivesTheProbeAndAsksItsNewOwner) {
    const std::string name = File("taken.avi");
    MakeClip(name, VideoAndAudioClip(0.3));
    auto owner = std::make_unique<TAVProbe>();
    ASSERT_TRUE(owner->Open(name)) << owner->LastError();
    EXPECT_FALSE(owner->TakeInput(File("other.avi")));
    EXPECT_FALSE(owner->TakeInput(File("./taken.avi"))); // the same file by another name: not asked for
    ASSERT_NE(owner->Context(), nullptr);

    std::optional<TProbedInput> input = owner->TakeInput(name);
    ASSERT_TRUE(input);
    EXPECT_EQ(owner->Context(), nullptr);
    EXPECT_FALSE(owner->OwnsContext());
    EXPECT_EQ(owner->StreamCount(), -1);
    EXPECT_FALSE(owner->TakeInput(name));
    owner.reset();
    EXPECT_EQ(input->FileName, name);
    ASSERT_EQ(input->Context->nb_streams, 2u);

    struct Asked {
        int Count = 0;
    } asked;
    input->Interrupt->SetTarget({[](void* opaque) {
                                     ++static_cast<Asked*>(opaque)->Count;
                                     return 0;
                                 },
                                 &asked});
    AVPacket* packet = av_packet_alloc();
    int packets = 0;
    while (av_read_frame(input->Context.get(), packet) >= 0) {
        ++packets;
        av_packet_unref(packet);
    }
    EXPECT_GT(packets, 10);
    EXPECT_GT(asked.Count, 0);
    av_packet_free(&packet);
}

TEST_F(ProbeTest, PrefixedNamesOpenThroughOurOwnIO) {
    const std::string name = File("前缀 文件.mp4");
    MakeClip(name, VideoAndAudioClip(0.3));
    ASSERT_TRUE(probe.Open(kUnicodeProtocolPrefix + name)) << probe.LastError();
    EXPECT_TRUE(IsUnicodeIO(probe.Context()->pb));
    std::string shown;
    probe.GetFileName(shown);
    EXPECT_EQ(shown, name);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(name)));
    EXPECT_EQ(probe.StreamCount(), 2);
}

TEST_F(ProbeTest, ForcedFormatByName) {
    const std::string name = File("AVSEQ01.DAT");
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Format = "vcd";
    MakeClip(name, spec);
    ASSERT_TRUE(probe.Open(name, "mpeg")) << probe.LastError();
    EXPECT_EQ(probe.FormatName(), "mpeg");
    std::string format;
    probe.GetFormatName(format);
    EXPECT_EQ(format, "mpeg");
    EXPECT_EQ(probe.VideoStreamCount(), 1);
    EXPECT_EQ(probe.AudioStreamCount(), 1);

    // A misspelt name fails before touching the file and logs nothing.
    EXPECT_FALSE(probe.Open(name, "mpgg"));
    EXPECT_EQ(probe.LastError(), "Unknown input format: mpgg");
    EXPECT_TRUE(logged.empty());
    ExpectEmpty();
    EXPECT_EQ(probe.FormatName(), "");
}

TEST_F(ProbeTest, MissingFileLogsTheLibraryErrorText) {
    const std::string name = File("不存在.avi");
    EXPECT_FALSE(probe.Open(name));
    ExpectLogged(llError, LibraryErrorText(name, AVERROR(ENOENT)));
    EXPECT_EQ(probe.LastError(), name + ": No such file or directory");
    ExpectEmpty();
}

// Files nobody can read as media: each fails quickly with its error text,
// leaves the probe empty and writes nothing beside it.
TEST_F(ProbeTest, BadInputFailsFastWithItsErrorText) {
    const std::string good = File("good.mp4");
    MakeClip(good, VideoAndAudioClip(1.0));
    const std::string truncated = File("truncated.mp4");
    std::filesystem::copy_file(good, truncated);
    TruncateFile(truncated, 0.5); // the index sits at the end
    std::ofstream(File("zero.mp4")).close();
    WriteRandomBytes(File("noise.avi"), 64 * 1024);
    WriteRandomBytes(File("noise.mkv"), 64 * 1024, 2);
    WriteRandomBytes(File("noise.mp4"), 4 * 1024, 3);
    std::filesystem::create_directory(File("folder.avi"));

    struct Case {
        std::string name;
        int code;
    };
    const Case cases[] = {
        {File("zero.mp4"), AVERROR_INVALIDDATA},  {File("noise.avi"), AVERROR_INVALIDDATA},
        {File("noise.mkv"), AVERROR_INVALIDDATA}, {File("noise.mp4"), AVERROR_INVALIDDATA},
        {truncated, AVERROR_INVALIDDATA},         {File("folder.avi"), AVERROR(EISDIR)},
        {File("missing.mp4"), AVERROR(ENOENT)},
    };
    const auto before = std::distance(std::filesystem::directory_iterator(dir.Path()), {});
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(probe.Open(c.name)) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
        ExpectLogged(llError, LibraryErrorText(c.name, c.code));
        ExpectEmpty();
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), before);
}

TEST_F(ProbeTest, NoiseThatLooksLikeAudioStaysBounded) {
    // MPEG audio has no header to check, so noise named .mp3 may pass as a
    // stream of damaged frames; either way the probe must come back soon.
    const std::string name = File("noise.mp3");
    WriteRandomBytes(name, 1024 * 1024, 4);
    const auto start = std::chrono::steady_clock::now();
    if (probe.Open(name)) {
        std::string report;
        probe.GetFormatReport(report);
        EXPECT_NE(report.find("File Name: " + name), std::string::npos);
    } else {
        EXPECT_EQ(probe.LastError().rfind(name + ": ", 0), 0u);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ProbeTest, LibraryCheckNamesTheFirstUnboundLibraryAndKeepsState) {
    const std::string name = File("kept.mkv");
    MakeClip(name, AudioOnlyClip(0.3));
    ASSERT_TRUE(probe.Open(name));
    probe.Close();
    EXPECT_FALSE(probe.Open(File("missing.mkv")));
    logged.clear();
    ASSERT_TRUE(probe.Open(name));
    const std::string lastError = probe.LastError();

    struct Case {
        TLibraryId library;
        const char* text;
    };
    const Case cases[] = {{libAVCodec, "LibAVCodec not loaded."},
                          {libAVFormat, "LibAVFormat not loaded."},
                          {libAVUtil, "LibAVUtil not loaded."},
                          {libSWScale, "LibSwScale not loaded."}};
    for (const auto& c : cases) {
        FFmpegLoader().ReleaseLibrary(c.library);
        try {
            probe.Open(name);
            ADD_FAILURE() << "no exception for " << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
        EXPECT_THROW(probe.Attach(nullptr), std::runtime_error);
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        EXPECT_EQ(probe.StreamCount(), 1) << "state kept after " << c.text;
        EXPECT_TRUE(probe.OwnsContext());
        EXPECT_EQ(probe.LastError(), lastError);
    }
    EXPECT_TRUE(logged.empty());
}

TEST_F(ProbeTest, QueriesWithoutAFileWarn) {
    TFileStreamInfo file;
    file.Title = "old";
    probe.GetFileStreamInfo(file);
    ExpectLogged(llWarning, "file not loaded.");
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.BitRate, -1);
    EXPECT_EQ(file.Title, "");

    TAudioStreamInfo audio;
    audio.SampleRate = 8000;
    probe.GetAudioStreamInfo(0, audio);
    ExpectLogged(llWarning, "file not loaded.");
    EXPECT_EQ(audio.SampleRate, -1);

    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(-1, video);
    ExpectLogged(llWarning, "file not loaded.");

    std::string report = "old";
    probe.GetFormatReport(report);
    ExpectLogged(llWarning, "file not loaded.");
    EXPECT_EQ(report, "");
}

TEST_F(ProbeTest, StreamQueriesRejectWrongIndexes) {
    const std::string name = File("two.mkv");
    MakeClip(name, VideoAndAudioClip(0.3)); // video at 0, audio at 1
    ASSERT_TRUE(probe.Open(name));

    TAudioStreamInfo audio;
    probe.GetAudioStreamInfo(0, audio);
    ExpectLogged(llError, "stream #0 is not audio stream.");
    EXPECT_EQ(audio.Channels, -1);
    EXPECT_EQ(audio.CodecName, "");

    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(1, video);
    ExpectLogged(llError, "stream #1 is not video stream.");
    EXPECT_EQ(video.Width, -1);

    for (int index : {2, 99}) {
        probe.GetAudioStreamInfo(index, audio);
        ExpectLogged(llError, "stream index #" + std::to_string(index) + " is invalid.");
    }

    const std::string audioOnly = File("audio.mka");
    MakeClip(audioOnly, AudioOnlyClip(0.3));
    ASSERT_TRUE(probe.Open(audioOnly));
    video.Width = 10;
    probe.GetVideoStreamInfo(-1, video);
    ExpectLogged(llError, "no video stream.");
    EXPECT_EQ(video.Width, -1);
    EXPECT_EQ(video.DisplayAspect, -1.0f);
    EXPECT_EQ(video.StartTimeUs, -1);

    const std::string videoOnly = File("video.mkv");
    MakeClip(videoOnly, VideoOnlyClip(0.3));
    ASSERT_TRUE(probe.Open(videoOnly));
    probe.GetAudioStreamInfo(-1, audio);
    ExpectLogged(llError, "no audio stream.");
}

TEST_F(ProbeTest, StreamRecordsCarryTheStreamValues) {
    const std::string name = File("streams.mp4");
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Video.front().Width = 80;
    spec.Video.front().Height = 60;
    spec.Video.front().FrameRateNum = 30000;
    spec.Video.front().FrameRateDen = 1001;
    spec.Video.front().Metadata = {{"language", "chi"}};
    spec.Audio.front().SampleRate = 22050;
    spec.Audio.front().Channels = 1;
    spec.Audio.front().Metadata = {{"language", "eng"}};
    MakeClip(name, spec);
    ASSERT_TRUE(probe.Open(name));

    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(-1, video);
    EXPECT_TRUE(logged.empty());
    EXPECT_EQ(video.Language, "chi");
    EXPECT_EQ(video.CodecName, CodecDisplayName(probe.Context()->streams[0]->codecpar, false));
    EXPECT_EQ(video.CodecName.rfind("h264", 0), 0u) << video.CodecName;
    EXPECT_EQ(video.Width, 80);
    EXPECT_EQ(video.Height, 60);
    EXPECT_FLOAT_EQ(video.DisplayAspect, 80.0f / 60.0f);
    EXPECT_EQ(video.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(video.FrameRateNum, 30000);
    EXPECT_EQ(video.FrameRateDen, 1001);
    EXPECT_EQ(video.StartTime, 0);
    EXPECT_EQ(video.StartTimeUs, 0);
    // The stream counts in its own time base (here 30000 per second), the Us fields in µs.
    EXPECT_NEAR(video.DurationUs, 1000000, 50000);
    EXPECT_NEAR(video.Duration, video.DurationUs * 3 / 100, 3);

    TAudioStreamInfo audio;
    probe.GetAudioStreamInfo(-1, audio);
    EXPECT_EQ(audio.Language, "eng");
    EXPECT_EQ(audio.CodecName.rfind("aac", 0), 0u) << audio.CodecName;
    EXPECT_EQ(audio.SampleRate, 22050);
    EXPECT_EQ(audio.Channels, 1);
    EXPECT_EQ(audio.SampleFormat, AV_SAMPLE_FMT_FLTP);
    EXPECT_NEAR(audio.DurationUs, 1000000, 50000);
    EXPECT_NEAR(audio.Duration, audio.DurationUs * 22050 / 1000000, 30);
    EXPECT_GT(audio.BitRate, 0);
}

TEST_F(ProbeTest, FileRecordCarriesContainerValuesAndTags) {
    const std::string name = File("tags.mp3");
    ClipSpec spec = AudioOnlyClip(1.0);
    spec.Metadata = {{"title", "标题 Title"}, {"artist", "艺术家"},  {"album", "专辑"},
                     {"genre", "Pop"},        {"comment", "a note"}, {"copyright", "(c) 2009"},
                     {"date", "2009"},        {"track", "3/12"}};
    MakeClip(name, spec);
    ASSERT_TRUE(probe.Open(name));

    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    EXPECT_TRUE(logged.empty());
    EXPECT_EQ(info.Title, "标题 Title");
    EXPECT_EQ(info.Author, "艺术家");
    EXPECT_EQ(info.Album, "专辑");
    EXPECT_EQ(info.Genre, "Pop");
    EXPECT_EQ(info.Comment, "a note");
    EXPECT_EQ(info.Copyright, "(c) 2009");
    EXPECT_EQ(info.Year, 2009);
    EXPECT_EQ(info.Track, 3);
    EXPECT_EQ(info.Timestamp, 0);
    EXPECT_GT(info.Duration, 900000);
    EXPECT_GT(info.BitRate, 0);
    EXPECT_GE(info.StartTime, 0);
}

TEST_F(ProbeTest, CreationTimeBecomesTheTimestamp) {
    const std::string name = File("dated.mkv");
    ClipSpec spec = AudioOnlyClip(0.3);
    spec.Metadata = {{"creation_time", "2020-01-02T03:04:05.000000Z"}};
    MakeClip(name, spec);
    ASSERT_TRUE(probe.Open(name));
    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    EXPECT_EQ(info.Timestamp, 1577934245);
}
