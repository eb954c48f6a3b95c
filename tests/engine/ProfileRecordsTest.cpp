// Output records filled the way the product's profiles fill them (PSP sizes,
// kept sizes and rates, retired encoder names, disc targets with
// another audio encoder) convert through the component into the asked file.
#include "ConverterTestSupport.h"
#include "DecodedOutput.h"

#include <functional>

namespace {

struct RecordCase {
    const char* Label;
    const char* Output;
    std::function<void(TOutputOptions&)> Fill;
    // What the written file holds; empty or 0 leaves a value unchecked.
    const char* Video = "";
    int Width = 0, Height = 0;
    const char* Audio = "";
    int SampleRate = 0, Channels = 0;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.Label;
}

const RecordCase RecordCases[] = {
    {.Label = "psp_size",
     .Output = "psp.mp4",
     .Fill =
         [](TOutputOptions& o) {
             o.VideoCodec = "mpeg4";
             o.VideoBitrate = 768000;
             o.FrameSize = "320*240";
             o.FrameRate = "29.97";
             o.FrameAspectRatio = "4:3";
             o.AudioCodec = "libfaac";
             o.AudioBitrate = 128000;
             o.AudioSampleRate = 24000;
             o.AudioChannels = 2;
         },
     .Video = "mpeg4",
     .Width = 320,
     .Height = 240,
     .Audio = "aac",
     .SampleRate = 24000,
     .Channels = 2},
    {.Label = "rm_keeps_the_source_size",
     .Output = "clip.rm",
     .Fill =
         [](TOutputOptions& o) {
             o.VideoCodec = "rv10";
             o.VideoBitrate = 528000;
             o.FrameAspectRatio = "4:3";
         },
     .Video = "rv10",
     .Width = 96,
     .Height = 48,
     .Audio = "ac3"},
    {.Label = "mpeg1_at_13_fps",
     .Output = "clip.mpg",
     .Fill =
         [](TOutputOptions& o) {
             o.VideoCodec = "mpeg1video";
             o.FrameSize = "320*240";
             o.FrameRate = "13.00";
             o.AudioBitrate = 128000;
         },
     .Video = "mpeg1video",
     .Width = 320,
     .Height = 240,
     .Audio = "mp2"},
    {.Label = "dvd_target_with_mp3",
     .Output = "clip_PAL.mpg",
     .Fill =
         [](TOutputOptions& o) {
             o.TargetType = 3;
             o.NormType = 1;
             o.AudioCodec = "libmp3lame";
         },
     .Video = "mpeg2video",
     .Width = 720,
     .Height = 576,
     .Audio = "mp3",
     .SampleRate = 48000},
    {.Label = "h264_with_its_preset",
     .Output = "clip.avi",
     .Fill =
         [](TOutputOptions& o) {
             o.VideoCodec = "libx264";
             o.VideoPreset = "libx264-default";
             o.VideoBitrate = 1600000;
             o.FrameAspectRatio = "16:9";
             o.AudioCodec = "libfaac";
             o.AudioBitrate = 192000;
             o.AudioSampleRate = 48000;
         },
     .Video = "h264",
     .Width = 100,
     .Height = 52,
     .Audio = "aac",
     .SampleRate = 48000},
    {.Label = "quicktime_forced",
     .Output = "clip.mov",
     .Fill =
         [](TOutputOptions& o) {
             o.FileFormat = "mov";
             o.AudioCodec = "libfaac";
             o.AudioSampleRate = 22050;
         },
     .Video = "h264",
     .Audio = "aac",
     .SampleRate = 22050},
    {.Label = "flash_with_mp3",
     .Output = "clip.swf",
     .Fill =
         [](TOutputOptions& o) {
             o.VideoBitrate = 528000;
             o.FrameSize = "320*240";
             o.FrameRate = "25.00";
             o.AudioCodec = "libmp3lame";
             o.AudioSampleRate = 22050;
         },
     .Video = "flv1",
     .Width = 320,
     .Height = 240,
     .Audio = "mp3",
     .SampleRate = 22050},
    {.Label = "amr_audio_only",
     .Output = "clip.amr",
     .Fill =
         [](TOutputOptions& o) {
             o.DisableVideo = true;
             o.AudioCodec = "libopencore_amrnb";
             o.AudioBitrate = 7400;
             o.AudioSampleRate = 8000;
             o.AudioChannels = 1;
         },
     .Audio = "amr_nb",
     .SampleRate = 8000,
     .Channels = 1},
};

class ProfileRecords : public ConverterTest, public testing::WithParamInterface<RecordCase> {};

TEST_P(ProfileRecords, ConvertIntoTheAskedFile) {
    const RecordCase& c = GetParam();
    // A size that is no multiple of 16; 25 fps; stereo at 44100 Hz.
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Video[0].Width = 100;
    spec.Video[0].Height = 52;
    const int index = conv.AddTask(Clip("in.avi", spec));
    ASSERT_EQ(index, 0) << conv.LastError();
    TOutputOptions options;
    InitOutputOptions(options);
    c.Fill(options);
    const std::string path = dir.File(c.Output);
    ASSERT_TRUE(conv.SetOutputFile(index, path, options)) << conv.LastError();
    conv.StartTask(0);

    for (const TEventRecord& e : Events())
        EXPECT_FALSE(e.Failed) << e.ErrorMessage;
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    for (unsigned i = 0; i < out->nb_streams; ++i) {
        const AVCodecParameters* par = out->streams[i]->codecpar;
        const std::string codec = avcodec_get_name(par->codec_id);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_TRUE(!*c.Video || codec == c.Video) << codec;
            EXPECT_TRUE(!c.Width || par->width == c.Width) << par->width;
            EXPECT_TRUE(!c.Height || par->height == c.Height) << par->height;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            EXPECT_TRUE(!*c.Audio || codec == c.Audio) << codec;
            EXPECT_TRUE(!c.SampleRate || par->sample_rate == c.SampleRate) << par->sample_rate;
            EXPECT_TRUE(!c.Channels || par->ch_layout.nb_channels == c.Channels)
                << par->ch_layout.nb_channels;
        }
    }
    const TDecodedFile decoded = DecodeWholeFile(path);
    EXPECT_EQ(decoded.Errors, 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileRecords, testing::ValuesIn(RecordCases),
                         [](const testing::TestParamInfo<RecordCase>& info) {
                             return std::string(info.param.Label);
                         });

} // namespace
