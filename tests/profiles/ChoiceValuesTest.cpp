// Every item's value is the setting its label stood for when the settings were
// read from the labels: the label rules below are those readings (bit rates
// before "kbps", sizes before their note, the volume's factor ...), applied to
// each label of every list a profile shows or an encoder pick brings in.

#include "profiles/ChoiceLists.h"
#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"
#include "profiles/SettingsMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace {

using enum TChoiceRole;

struct TEncoderLabel {
    std::string_view Label, Codec, Tag, Format, DiscTarget, DiscStandard;
};
const TEncoderLabel VideoEncoderLabels[] = {
    {"Divx 5 视频压缩器", "mpeg4", "DX50"},
    {"Divx 视频压缩器", "msmpeg4"},
    {"XviD 视频压缩器1", "mpeg4", "XVID"},
    {"XviD 视频压缩器2", "libxvid"},
    {"MPEG4 视频压缩器", "mpeg4"},
    {"MPEG4视频压缩器", "mpeg4"},
    {"H264/AVC高清视频压缩器", "libx264"},
    {"Mjpeg 视频压缩器", "mjpeg"},
    {"RM视频压缩器1", "rv10"},
    {"RM视频压缩器2", "rv20"},
    {"WMV视频压缩器", "wmv2"},
    {"MPEG视频压缩器", "mpeg1video"},
    {"ASF视频压缩器", "msmpeg4", {}, "asf"},
    {"FLASH格式视频压缩器"},
    {"FLV格式视频压缩器"},
    {"QuickTime视频压缩器"},
    {"该格式无视频"},
    {"PAL_DVD视频压缩器", {}, {}, {}, "dvd", "PAL"},
    {"NTSC_DVD视频压缩器", {}, {}, {}, "dvd", "NTSC"},
    {"PAL_SVCD视频压缩器", {}, {}, {}, "svcd", "PAL"},
    {"NTSC_SVCD视频压缩器", {}, {}, {}, "svcd", "NTSC"},
    {"PAL_VCD视频压缩器", {}, {}, {}, "vcd", "PAL"},
    {"NTSC_VCD视频压缩器", {}, {}, {}, "vcd", "NTSC"},
};

const std::pair<std::string_view, std::string_view> AudioEncoderLabels[] = {
    {"MP3音频编码器", "libmp3lame"},
    {"Flac音频编码器", "flac"},
    {"AAC音频编码器", "libfaac"},
    {"AC3音频编码器", "ac3"},
    {"自动音频编码器", "AUTO"},
    {"WMV音频编码器", "wmav2"},
    {"WMA音频编码器", "wmav2"},
    {"ASF音频编码器1", "wmav2"},
    {"ASF音频编码器2", "wmav1"},
    {"OGG音频编码器", "libvorbis"},
    {"AMR音频编码器", "libopencore_amrnb"},
    {"WAVE音频编码器", ""},
    {"RM音频编码器", ""},
    {"MP2音频编码器", ""},
};

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos
               ? ""
               : std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string Round(double value) {
    return std::to_string(std::lround(value));
}

// The volume factor of a label: a decrease or an increase of N%, or N times more.
std::string VolumeOf(std::string_view label) {
    if (label == "无声音")
        return "0";
    if (label == "音量保持不变")
        return "256";
    const std::string number(label.substr(std::string_view("音量增加").size()));
    const double n = std::stod(number);
    if (label.starts_with("音量降低"))
        return Round(256 * (100 - n) / 100);
    if (label.ends_with("倍"))
        return Round(256 * (n + 1));
    return Round(256 * (100 + n) / 100);
}

// What the setting of `label` in a list of `role` was, read from the label.
std::string LabelReading(TChoiceRole role, std::string_view label) {
    switch (role) {
    case crVideoEncoder:
        for (const TEncoderLabel& e : VideoEncoderLabels)
            if (e.Label == label)
                return std::string(e.Codec) + "/" + std::string(e.Tag) + "/" + std::string(e.Format) + "/" +
                       std::string(e.DiscTarget) + "/" + std::string(e.DiscStandard);
        return "unknown encoder";
    case crVideoBitRate:
        if (label == "无")
            return "-1000";
        for (size_t level = 0; level < ConstantQualityItems.size(); ++level)
            if (ConstantQualityItems[level].Label == label)
                return "quality/" + std::to_string(level);
        return std::to_string(std::stoll(Trimmed(label.substr(0, label.find("kbps")))) * 1000);
    case crFrameSize:
        return label == "保持原分辨率" || label == "无" ? "" : std::string(label.substr(0, label.find(' ')));
    case crFrameRate:
        return label == "保持原帧速率" || label == "无" ? "" : std::string(label);
    case crAspect:
        return label == "普通视频4:3模式"    ? "4:3"
               : label == "宽屏视频16:9模式" ? "16:9"
               : label == "无"               ? ""
                                             : "?";
    case crAudioEncoder:
        for (const auto& [text, codec] : AudioEncoderLabels)
            if (text == label)
                return std::string(codec);
        return "unknown encoder";
    case crAudioBitRate:
        if (label == "自动音频比特率")
            return "-1000";
        return Round(std::stod(std::string(label)) * 1000);
    case crSampleRate:
        return label == "自动音频采样率" ? "AUTO" : std::string(label);
    case crChannels:
        return label == "立体声" ? "2" : label == "单声道" ? "1" : "?";
    case crVolume:
        return VolumeOf(label);
    }
    return "?";
}

void CheckList(TChoiceRole role, const TListChoice& list) {
    std::set<std::string_view> labels, values;
    for (const TChoiceItem& item : list.Items) {
        SCOPED_TRACE(std::string(item.Label));
        EXPECT_EQ(item.Value, LabelReading(role, item.Label));
        // A pick by text and a saved value each find one item.
        EXPECT_TRUE(labels.insert(item.Label).second);
        EXPECT_TRUE(values.insert(item.Value).second);
    }
}

TEST(ChoiceValues, EveryItemsValueIsWhatItsLabelStoodFor) {
    size_t lists = 0;
    for (const TOutputProfile& profile : AllProfiles()) {
        SCOPED_TRACE(profile.Id);
        const auto choices = ChoicesFor(profile.Id);
        ASSERT_TRUE(choices);
        for (size_t i = 0; i < choices->size(); ++i) {
            SCOPED_TRACE(std::string(RoleCaption(static_cast<TChoiceRole>(i))));
            CheckList(static_cast<TChoiceRole>(i), (*choices)[i]);
            ++lists;
        }
        for (const TChoiceItem& encoder : (*choices)[RoleIndex(crVideoEncoder)].Items)
            if (const auto refill = RefillForEncoder(profile.Id, encoder.Value)) {
                SCOPED_TRACE(std::string(encoder.Label));
                CheckList(refill->Role, refill->List);
                ++lists;
            }
    }
    EXPECT_GT(lists, 800u);
}

TEST(ChoiceValues, AnEncodersValueIsTheKeyOfTheRowItsLabelNamed) {
    for (const TEncoderLabel& e : VideoEncoderLabels) {
        SCOPED_TRACE(std::string(e.Label));
        const TVideoEncoderRow* row = FindVideoEncoderRow(LabelReading(crVideoEncoder, e.Label));
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->Codec, e.Codec);
        EXPECT_EQ(row->Tag, e.Tag);
        EXPECT_EQ(row->Format, e.Format);
        EXPECT_EQ(row->DiscTarget, e.DiscTarget);
        EXPECT_EQ(row->DiscStandard, e.DiscStandard);
    }
}

} // namespace
