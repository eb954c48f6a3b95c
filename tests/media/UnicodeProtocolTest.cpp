#include "media/UnicodeProtocol.h"

#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

namespace {

const std::string kPrefix = "unicode:utf8:";

void WriteText(const std::string& fileName, const std::string& text) {
    std::ofstream(fileName, std::ios::binary) << text;
}

std::string ReadText(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct UnicodeIOClose {
    void operator()(AVIOContext* pb) const { CloseUnicodeIO(&pb); }
};
using UnicodeIOPtr = std::unique_ptr<AVIOContext, UnicodeIOClose>;

UnicodeIOPtr OpenIO(const std::string& libraryName, int flags, int& result,
                    const AVIOInterruptCB* interrupt = nullptr) {
    AVIOContext* pb = nullptr;
    result = OpenUnicodeIO(&pb, libraryName, flags, interrupt);
    return UnicodeIOPtr(pb);
}

} // namespace

TEST(UnicodeFileNames, NamesReachTheLibrariesUnchanged) {
    const char* names[] = {
        "http://example.com/a.mp4",
        "rtp://127.0.0.1:1234",
        "tcp://host:80",
        "udp://host:5000",
        "pipe:0",
        "gopher://x",
        "stream:x",
        "unicode:utf8:/tmp/a.avi",
        "/tmp/视频 文件.mp4",
        "relative name.avi",
    };
    for (const std::string name : names) {
        EXPECT_FALSE(NeedsUnicodeProtocol(name)) << name;
        EXPECT_EQ(ToLibraryFileName(name), name);
    }
}

// The libraries would take "clip" in "clip:1.mp4" for a protocol they lack.
TEST(UnicodeFileNames, LocalNamesWithAColonGoThroughTheFileProtocol) {
    const std::string existing = "http:本地.mp4"; // a local file, whatever its prefix says
    { std::ofstream(existing) << "x"; }
    struct Case {
        std::string name;
        std::string library;
    };
    const Case cases[] = {
        {"clip:1.mp4", "file:clip:1.mp4"}, {"C:\\clips\\a.avi", "file:C:\\clips\\a.avi"},
        {"/tmp/a:b.mp4", "/tmp/a:b.mp4"}, // no protocol name has a "/"
        {existing, "file:" + existing},    {"http:nowhere.mp4", "http:nowhere.mp4"},
        {"file:a.mp4", "file:a.mp4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToLibraryFileName(c.name), c.library) << c.name;
        if (c.library != "file:a.mp4") {
            EXPECT_EQ(FromLibraryFileName(c.library), c.name);
        }
    }
    EXPECT_EQ(FromLibraryFileName("file:a.mp4"), "a.mp4");
    std::remove(existing.c_str());
}

TEST(UnicodeFileNames, LongNamesAreNotCut) {
    // A shortened name would address another file.
    const std::string name = "/tmp/" + std::string(3000, 'x') + ".avi";
    EXPECT_EQ(ToLibraryFileName(name), name);
    EXPECT_EQ(FromLibraryFileName(kPrefix + name), name);
}

TEST(UnicodeFileNames, PrefixIsRemovedOnlyWhenSomethingFollowsIt) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {kPrefix + "/tmp/视频 文件.mp4", "/tmp/视频 文件.mp4"},
        {kPrefix + "a", "a"},
        {kPrefix, kPrefix},
        {"unicode:utf8", "unicode:utf8"},
        {"unicode:utf16:/tmp/a", "unicode:utf16:/tmp/a"},
        {"/tmp/unicode:utf8:a", "/tmp/unicode:utf8:a"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromLibraryFileName(c.text), c.expected) << c.text;
    EXPECT_STREQ(kUnicodeProtocolPrefix, kPrefix.c_str());
}

TEST(UnicodeFileNames, RegistrationHookCanBeCalledRepeatedly) {
    RegisterUnicodeProtocol();
    RegisterUnicodeProtocol();
}

class UnicodeIOTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string File(const std::string& name) const { return dir.File(name); }
};

TEST_F(UnicodeIOTest, UnopenableNamesFailAsMissingFiles) {
    std::filesystem::create_directory(File("目录"));
    const std::string cases[] = {
        kPrefix + File("缺少.mp4"),        // missing
        kPrefix + File("目录"),            // a directory
        kPrefix + File("no/such/dir.mp4"), // missing parent, even for reading
        File("not prefixed.mp4"),          // not ours at all
    };
    for (const auto& name : cases) {
        int result = 0;
        auto pb = OpenIO(name, AVIO_FLAG_READ, result);
        EXPECT_EQ(result, -2) << name;
        EXPECT_EQ(result, AVERROR(ENOENT));
        EXPECT_EQ(pb, nullptr);
    }
    int result = 0;
    auto pb = OpenIO(kPrefix + File("no/such/dir.mp4"), AVIO_FLAG_WRITE, result);
    EXPECT_EQ(result, -2);
}

TEST_F(UnicodeIOTest, SizeQueryLeavesThePositionAlone) {
    const std::string name = File("视频 一.bin");
    WriteText(name, "0123456789");
    int result = 0;
    auto pb = OpenIO(kPrefix + name, AVIO_FLAG_READ, result);
    ASSERT_EQ(result, 0);
    ASSERT_TRUE(IsUnicodeIO(pb.get()));
    EXPECT_EQ(avio_size(pb.get()), 10);
    char head[4] = {};
    ASSERT_EQ(avio_read(pb.get(), reinterpret_cast<unsigned char*>(head), 4), 4);
    EXPECT_EQ(std::string(head, 4), "0123");
}

TEST_F(UnicodeIOTest, ReadsSeeksAndReportsTheEnd) {
    const std::string name = File("片段.bin");
    WriteText(name, "abcdefghij");
    int result = 0;
    auto pb = OpenIO(kPrefix + name, AVIO_FLAG_READ, result);
    ASSERT_EQ(result, 0);
    unsigned char buf[16] = {};
    EXPECT_EQ(avio_seek(pb.get(), 7, SEEK_SET), 7);
    EXPECT_EQ(avio_read(pb.get(), buf, sizeof buf), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 3), "hij");
    EXPECT_EQ(avio_read(pb.get(), buf, sizeof buf), AVERROR_EOF);
    EXPECT_TRUE(avio_feof(pb.get()));
}

TEST_F(UnicodeIOTest, WritingTruncatesAnExistingFile) {
    const std::string name = File("输出 文件.bin");
    WriteText(name, std::string(1000, 'o'));
    {
        int result = 0;
        auto pb = OpenIO(kPrefix + name, AVIO_FLAG_WRITE, result);
        ASSERT_EQ(result, 0);
        avio_write(pb.get(), reinterpret_cast<const unsigned char*>("new"), 3);
    }
    EXPECT_EQ(ReadText(name), "new");
}

TEST_F(UnicodeIOTest, LargeWritesArriveWhole) {
    const std::string name = File("大.bin");
    std::string data(300000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    {
        int result = 0;
        auto pb = OpenIO(kPrefix + name, AVIO_FLAG_WRITE, result);
        ASSERT_EQ(result, 0);
        avio_write(pb.get(), reinterpret_cast<const unsigned char*>(data.data()),
                   static_cast<int>(data.size()));
    }
    EXPECT_EQ(ReadText(name), data);
}

TEST_F(UnicodeIOTest, InterruptStopsReading) {
    const std::string name = File("停.bin");
    WriteText(name, "abc");
    const AVIOInterruptCB stop{[](void*) { return 1; }, nullptr};
    int result = 0;
    auto pb = OpenIO(kPrefix + name, AVIO_FLAG_READ, result, &stop);
    ASSERT_EQ(result, 0);
    unsigned char buf[4];
    EXPECT_EQ(avio_read(pb.get(), buf, 3), AVERROR_EXIT);
}

TEST_F(UnicodeIOTest, OutputHelpersServeBothKindsOfName) {
    for (const std::string& name : {File("plain.bin"), File("前缀.bin")}) {
        const std::string libraryName = name.find("前缀") != std::string::npos ? kPrefix + name : name;
        std::unique_ptr<AVFormatContext, decltype(&avformat_free_context)> ctx(avformat_alloc_context(),
                                                                               &avformat_free_context);
        ASSERT_EQ(OpenOutputIO(ctx.get(), libraryName), 0) << libraryName;
        EXPECT_EQ(IsUnicodeIO(ctx->pb), libraryName != name);
        avio_write(ctx->pb, reinterpret_cast<const unsigned char*>("xyz"), 3);
        CloseOutputIO(ctx.get());
        EXPECT_EQ(ctx->pb, nullptr);
        EXPECT_EQ(ReadText(name), "xyz");
    }
}

TEST_F(UnicodeIOTest, InputHelperFailsCleanlyForPrefixedNames) {
    AVFormatContext* ctx = nullptr;
    EXPECT_EQ(OpenInputContext(&ctx, kPrefix + File("缺少.avi"), nullptr, nullptr), AVERROR(ENOENT));
    EXPECT_EQ(ctx, nullptr);

    // Opens through our I/O, then the library rejects the content; nothing may leak.
    const std::string empty = File("空.avi");
    WriteText(empty, "");
    ctx = avformat_alloc_context();
    EXPECT_LT(OpenInputContext(&ctx, kPrefix + empty, nullptr, nullptr), 0);
    EXPECT_EQ(ctx, nullptr);
    CloseInputContext(&ctx);
}

TEST_F(UnicodeIOTest, InputHelperOpensMediaThroughThePrefix) {
    const std::string name = File("中文 名称.mkv");
    MakeClip(name, VideoAndAudioClip(0.2));
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(OpenInputContext(&ctx, kPrefix + name, nullptr, nullptr), 0);
    EXPECT_TRUE(IsUnicodeIO(ctx->pb));
    EXPECT_GE(avformat_find_stream_info(ctx, nullptr), 0);
    EXPECT_EQ(ctx->nb_streams, 2u);
    EXPECT_EQ(FromLibraryFileName(ctx->url), name);
    CloseInputContext(&ctx);
    EXPECT_EQ(ctx, nullptr);
}

TEST_F(UnicodeIOTest, MuxerCanSeekBackThroughThePrefix) {
    // WAV goes back to the header at the end to fill in the sizes.
    const std::string name = File("输出 音频.wav");
    constexpr int kSampleRate = 8000;
    constexpr int kPacketBytes = 1600; // 0.1 s of mono 16-bit samples
    constexpr int kPackets = 10;
    {
        AVFormatContext* raw = nullptr;
        ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "wav", nullptr), 0);
        std::unique_ptr<AVFormatContext, decltype(&avformat_free_context)> out(raw, &avformat_free_context);
        AVStream* st = avformat_new_stream(out.get(), nullptr);
        st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        st->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        st->codecpar->sample_rate = kSampleRate;
        st->codecpar->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        st->codecpar->bits_per_coded_sample = 16;
        st->codecpar->block_align = 2;
        ASSERT_EQ(OpenOutputIO(out.get(), kPrefix + name), 0);
        ASSERT_GE(avformat_write_header(out.get(), nullptr), 0);
        std::vector<uint8_t> silence(kPacketBytes);
        for (int i = 0; i < kPackets; ++i) {
            AVPacket* packet = av_packet_alloc();
            ASSERT_GE(av_new_packet(packet, kPacketBytes), 0);
            packet->pts = packet->dts = i * kPacketBytes / 2;
            packet->stream_index = 0;
            ASSERT_GE(av_write_frame(out.get(), packet), 0);
            av_packet_free(&packet);
        }
        ASSERT_GE(av_write_trailer(out.get()), 0);
        CloseOutputIO(out.get());
    }
    EXPECT_GT(std::filesystem::file_size(name), static_cast<uintmax_t>(kPacketBytes * kPackets));
    const std::string bytes = ReadText(name);
    // The RIFF size after the first four bytes: everything but the first eight.
    const uint32_t riffSize = static_cast<uint8_t>(bytes[4]) | static_cast<uint8_t>(bytes[5]) << 8 |
                              static_cast<uint8_t>(bytes[6]) << 16 |
                              static_cast<uint32_t>(static_cast<uint8_t>(bytes[7])) << 24;
    EXPECT_EQ(riffSize, bytes.size() - 8);
}
