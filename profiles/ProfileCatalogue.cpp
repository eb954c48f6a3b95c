#include "profiles/OutputProfile.h"

#include "profiles/Translation.h"

#include <algorithm>

namespace {

// Page after page in tab order, each page in list order: an identifier is its
// page's base plus its position.
constexpr TOutputProfile Catalogue[] = {
    {500, TProfilePage::ppHighDefinition, VT_TR("高清MP4视频格式"), ".mp4", ".mp4", false, "", ""},
    {501, TProfilePage::ppHighDefinition, VT_TR("高清AVI视频格式"), ".avi", ".avi", false, "", ""},
    {502, TProfilePage::ppHighDefinition, VT_TR("高清ASF视频格式"), ".asf", ".asf", false, "", ""},
    {503, TProfilePage::ppHighDefinition, VT_TR("高清H.264视频格式"), ".avi", ".avi", false, "", ""},
    {504, TProfilePage::ppHighDefinition, VT_TR("高清MOV视频格式"), ".mov", ".mov", false, "mov", ""},
    {505, TProfilePage::ppHighDefinition, VT_TR("高清MPEG-2视频格式"), ".mpg", ".mpg", false, "", ""},
    {506, TProfilePage::ppHighDefinition, VT_TR("高清MPEG-4视频格式"), ".mp4", ".mp4", false, "", ""},
    {507, TProfilePage::ppHighDefinition, VT_TR("高清MPG视频格式"), ".mpg", ".mpg", false, "", ""},
    {508, TProfilePage::ppHighDefinition, VT_TR("高清WMV视频格式"), ".wmv", ".wmv", false, "", ""},
    {509, TProfilePage::ppHighDefinition, VT_TR("高清MKV视频格式"), ".mkv", ".mkv", false, "", ""},
    {510, TProfilePage::ppHighDefinition, VT_TR("高清VOB视频格式"), ".vob", ".vob", false, "", ""},
    {511, TProfilePage::ppHighDefinition, VT_TR("高清DivX视频格式"), ".avi", ".avi", false, "", ""},
    {512, TProfilePage::ppHighDefinition, VT_TR("高清XviD视频格式"), ".avi", ".avi", false, "", ""},
    {513, TProfilePage::ppHighDefinition, VT_TR("高清FLV视频格式"), ".swf", ".swf", false, "", ""},
    {514, TProfilePage::ppHighDefinition, VT_TR("高清SWF视频格式"), ".flv", ".flv", false, "", ""},
    {515, TProfilePage::ppHighDefinition, VT_TR("高清DVD视频格式"), ".mpg", ".mpg", false, "", "dvd"},
    {516, TProfilePage::ppHighDefinition, VT_TR("高清PSP视频格式"), ".mp4", ".psp.mp4", false, "", ""},
    {517, TProfilePage::ppHighDefinition, VT_TR("高清iPad视频格式"), ".mp4", ".psp.mp4", false, "", ""},
    {518, TProfilePage::ppHighDefinition, VT_TR("高清iPhone视频格式"), ".mp4", ".ipod.mp4", false, "", ""},
    {519, TProfilePage::ppHighDefinition, VT_TR("高清iPhone视频格式-H.264"), ".mp4", ".ipod.mp4", false, "",
     ""},
    {520, TProfilePage::ppHighDefinition, VT_TR("高清iPod视频格式"), ".mp4", ".ipod.mp4", false, "", ""},
    {521, TProfilePage::ppHighDefinition, VT_TR("高清Zune视频格式"), ".mp4", ".ipod.mp4", false, "", ""},
    {522, TProfilePage::ppHighDefinition, VT_TR("高清Xbox视频格式"), ".mp4", ".ipod.mp4", false, "", ""},
    {523, TProfilePage::ppHighDefinition, VT_TR("高清MP3音频格式"), ".mp3", ".mp3", true, "", ""},
    {524, TProfilePage::ppHighDefinition, VT_TR("高清WAV音频格式"), ".wav", ".wav", true, "", ""},
    {525, TProfilePage::ppHighDefinition, VT_TR("高清WMA音频格式"), ".wma", ".wma", true, "", ""},
    {100, TProfilePage::ppDevices, VT_TR("智能手机视频格式"), ".avi", ".avi", false, "", ""},
    {101, TProfilePage::ppDevices, VT_TR("H.264编码手机视频格式"), ".avi", ".avi", false, "", ""},
    {102, TProfilePage::ppDevices, VT_TR("安卓MP4手机视频格式"), ".mp4", ".mp4", false, "", ""},
    {103, TProfilePage::ppDevices, VT_TR("手机AVI视频格式"), ".avi", ".avi", false, "", ""},
    {104, TProfilePage::ppDevices, VT_TR("智能手机常用视频格式"), ".mp4", ".mp4", false, "", ""},
    {105, TProfilePage::ppDevices, VT_TR("HD高清手机视频格式"), ".mp4", ".mp4", false, "", ""},
    {106, TProfilePage::ppDevices, VT_TR("手机MOV视频格式"), ".mov", ".mov", false, "mov", ""},
    {107, TProfilePage::ppDevices, VT_TR("手机MKV视频格式"), ".mkv", ".mkv", false, "", ""},
    {108, TProfilePage::ppDevices, VT_TR("平板电脑H.264视频格式"), ".avi", ".avi", false, "", ""},
    {109, TProfilePage::ppDevices, VT_TR("平板电脑MPEG-4视频格式"), ".mp4", ".mp4", false, "", ""},
    {110, TProfilePage::ppDevices, VT_TR("平板AVI视频格式"), ".avi", ".avi", false, "", ""},
    {111, TProfilePage::ppDevices, VT_TR("平板电脑常用MP4视频"), ".mp4", ".mp4", false, "", ""},
    {112, TProfilePage::ppDevices, VT_TR("其他设备MP4视频格式"), ".mp4", ".mp4", false, "", ""},
    {113, TProfilePage::ppDevices, VT_TR("高清电视H.264视频格式"), ".mp4", ".mp4", false, "", ""},
    {114, TProfilePage::ppDevices, VT_TR("智能电视AVI视频格式"), ".avi", ".avi", false, "", ""},
    {115, TProfilePage::ppDevices, VT_TR("4K高清智能电视视频格式"), ".avi", ".avi", false, "", ""},
    {116, TProfilePage::ppDevices, VT_TR("智能电视MP4视频格式"), ".mp4", ".mp4", false, "", ""},
    {117, TProfilePage::ppDevices, VT_TR("FHD全高清视频格式"), ".mkv", ".mkv", false, "", ""},
    {118, TProfilePage::ppDevices, VT_TR("网络机顶盒MP4视频格式"), ".mp4", ".mp4", false, "", ""},
    {119, TProfilePage::ppDevices, VT_TR("网络机顶盒AVI视频格式"), ".avi", ".avi", false, "", ""},
    {1, TProfilePage::ppComputer, VT_TR("电脑上使用的AVI/MPEG视频"), ".avi", ".avi", false, "", ""},
    {2, TProfilePage::ppComputer, VT_TR("MP4机上使用的AVI/MPEG视频"), ".avi", ".avi", false, "", ""},
    {3, TProfilePage::ppComputer, VT_TR("支持MPEG4的DVD影碟机使用的AVI/MPEG视频"), ".avi", ".avi", false, "",
     ""},
    {4, TProfilePage::ppComputer, VT_TR("Sony(索尼) PSP MP4视频"), ".mp4", ".psp.mp4", false, "", ""},
    {5, TProfilePage::ppComputer, VT_TR("Sony(索尼) PS3 MP4视频"), ".mp4", ".psp.mp4", false, "", ""},
    {6, TProfilePage::ppComputer, VT_TR("Apple(苹果) ipod video MP4视频"), ".mp4", ".ipod.mp4", false, "",
     ""},
    {7, TProfilePage::ppComputer, VT_TR("Apple(苹果) iPod Touch/Classic/Nano MP4视频"), ".mp4", ".ipod.mp4",
     false, "", ""},
    {8, TProfilePage::ppComputer, VT_TR("Apple(苹果) iPhone MP4视频"), ".mp4", ".ipod.mp4", false, "", ""},
    {9, TProfilePage::ppComputer, VT_TR("Apple(苹果) TV MP4视频"), ".mp4", ".ipod.mp4", false, "", ""},
    {10, TProfilePage::ppComputer, VT_TR("SONY(索尼)M70/U50系列普通MPEG4视频"), ".mp4", ".mp4", false, "",
     ""},
    {11, TProfilePage::ppComputer, VT_TR("SONY(索尼)A800/M70/U50系列高清MPEG4视频"), ".mp4", ".mp4", false,
     "", ""},
    {12, TProfilePage::ppComputer, VT_TR("电脑上使用的MP4视频"), ".mp4", ".mp4", false, "", ""},
    {13, TProfilePage::ppComputer, VT_TR("SWF视频格式(Flash视频文件)"), ".swf", ".swf", false, "", ""},
    {14, TProfilePage::ppComputer, VT_TR("FLV视频格式(视频网站专用的FLV文件)(如土豆网)"), ".flv", ".flv",
     false, "", ""},
    {15, TProfilePage::ppComputer, VT_TR("RM/RMVB视频格式"), ".rm", ".rm", false, "", ""},
    {16, TProfilePage::ppComputer, VT_TR("MKV网络视频格式"), ".mkv", ".mkv", false, "", ""},
    {17, TProfilePage::ppComputer, VT_TR("MOV视频格式"), ".mov", ".mov", false, "mov", ""},
    {18, TProfilePage::ppComputer, VT_TR("MPEG/MPG视频格式"), ".mpg", ".mpg", false, "", ""},
    {19, TProfilePage::ppComputer, VT_TR("DVD影碟视频格式"), ".mpg", ".mpg", false, "", "dvd"},
    {20, TProfilePage::ppComputer, VT_TR("SVCD影碟视频格式"), ".mpg", ".mpg", false, "", "svcd"},
    {21, TProfilePage::ppComputer, VT_TR("VCD影碟视频格式"), ".mpg", ".mpg", false, "", "vcd"},
    {22, TProfilePage::ppComputer, VT_TR("WMV微软视频格式"), ".wmv", ".wmv", false, "", ""},
    {23, TProfilePage::ppComputer, VT_TR("ASF视频格式"), ".asf", ".asf", false, "", ""},
    {24, TProfilePage::ppComputer, VT_TR("Motion Jpeg(MJpeg)视频格式"), ".avi", ".avi", false, "", ""},
    {200, TProfilePage::ppAudio, VT_TR("MP3音频格式"), ".mp3", ".mp3", true, "", ""},
    {201, TProfilePage::ppAudio, VT_TR("WMA音频格式"), ".wma", ".wma", true, "", ""},
    {202, TProfilePage::ppAudio, VT_TR("CD/WAV音频格式"), ".wav", ".wav", true, "", ""},
    {203, TProfilePage::ppAudio, VT_TR("AAC音频格式"), ".m4a", ".m4a", true, "", ""},
    {204, TProfilePage::ppAudio, VT_TR("AC3音频格式"), ".ac3", ".ac3", true, "", ""},
    {205, TProfilePage::ppAudio, VT_TR("OGG音频格式"), ".ogg", ".ogg", true, "", ""},
    {206, TProfilePage::ppAudio, VT_TR("MP2音频格式"), ".mp2", ".mp2", true, "", ""},
    {207, TProfilePage::ppAudio, VT_TR("FLAC音频格式"), ".flac", ".flac", true, "", ""},
    {208, TProfilePage::ppAudio, VT_TR("RM音频格式"), ".rm", ".rm", true, "", ""},
    {209, TProfilePage::ppAudio, VT_TR("AMR（手机）音频格式"), ".amr", ".amr", true, "", ""},
};

struct TPageInfo {
    TProfilePage Page;
    std::string_view Caption;
    int32_t Base;
};
constexpr TPageInfo Pages[] = {
    {TProfilePage::ppHighDefinition, VT_TR("HD高清及常用视频格式"), 500},
    {TProfilePage::ppDevices, VT_TR("智能设备常用视频格式"), 100},
    {TProfilePage::ppComputer, VT_TR("更多电脑常用视频格式"), 1},
    {TProfilePage::ppAudio, VT_TR("更多音频格式"), 200},
};

const TPageInfo& InfoOf(TProfilePage page) {
    return Pages[static_cast<size_t>(page)];
}

} // namespace

std::string_view PageCaption(TProfilePage page) {
    return InfoOf(page).Caption;
}

int32_t PageBase(TProfilePage page) {
    return InfoOf(page).Base;
}

std::span<const TOutputProfile> PageProfiles(TProfilePage page) {
    const auto first = std::find_if(std::begin(Catalogue), std::end(Catalogue),
                                    [page](const TOutputProfile& p) { return p.Page == page; });
    const auto last =
        std::find_if(first, std::end(Catalogue), [page](const TOutputProfile& p) { return p.Page != page; });
    return {first, last};
}

int32_t ProfileIdAt(TProfilePage page, int position) {
    if (position < 0 || static_cast<size_t>(position) >= PageProfiles(page).size())
        return -1;
    return PageBase(page) + position;
}

const TOutputProfile* FindProfile(int32_t id) {
    for (const TProfilePage page : ProfilePages) {
        const auto profiles = PageProfiles(page);
        const int32_t position = id - PageBase(page);
        if (position >= 0 && static_cast<size_t>(position) < profiles.size())
            return &profiles[position];
    }
    return nullptr;
}

std::span<const TOutputProfile> AllProfiles() {
    return Catalogue;
}

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of(OutputPathSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ReplaceExtension(std::string_view fileName, std::string_view ext) {
    const size_t dot = fileName.find_last_of('.');
    std::string result(fileName.substr(0, dot));
    result += ext;
    return result;
}

std::string OutputPathFor(std::string_view outputFolder, std::string_view sourceFile, std::string_view ext) {
    std::string path(outputFolder);
    path += OutputPathSeparator;
    path += ReplaceExtension(FileNameOf(sourceFile), ext);
    return path;
}
