#include "app/OpenFilters.h"

#include "profiles/Translation.h"

#include <algorithm>

const std::vector<TFileFilter>& OpenFilters() {
    static const std::vector<TFileFilter> filters{
        {VT_TR("所有支持的文件类型"),
         "*.AVI;*.ASF;*.asx;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*."
         "DAT;*.m2t;*.VOB;*.RM;*.RMVB;"
         "*.TS;*.TP;*.IFO;*.3g2;*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.SWF;"
         "*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.M2TS;*.APE;*.MTS;*.OGG;*.RA;*.MOD;*."
         "TOD;*.AC3;*.m4v;*.DV;*.DTS;"
         "*.yuv;*.h261;*.h264;*.mjpeg;*.dif;*.qt"},
        {VT_TR("各种类型的HD高清视频文件"),
         "*.avi;*.M2TS;*.MTS;*.M2T;*.MKV;*.MP4;*.MPG;*.MPEG;*.VOB;*.RM;*.RMVB;*.TS;*.TP;"
         "*.h264;*.DV;*.MOD;*.TOD;*.MOV;*.QT;*.WMV;*.ASF"},
        {VT_TR("所有文件 (*.*)"), "*.*"},
        {VT_TR("AVI文件 (*.avi)"), "*.avi"},
        {VT_TR("MPEG文件 (*.mpg;*.mpeg)"), "*.mpg;*.mpeg"},
        {VT_TR("Windows Media文件 (*.wmv;*.asf;*.asx)"), "*.wmv;*.asf;*.asx"},
        {VT_TR("Dat文件 (*.dat)"), "*.dat"},
        {VT_TR("DVD光盘VOB文件 (*.vob)"), "*.vob"},
        {VT_TR("Real类型文件 (*.rm;*.rmvb)"), "*.rm;*.rmvb"},
        {VT_TR("MP4类型文件 (*.mp4;*.m4v)"), "*.mp4;*.m4v"},
        {VT_TR("手机3GP文件 (*.3gp;*.3gpp)"), "*.3gp;*.3gpp"},
        {VT_TR("手机3GPP2文件 (*.3g2;*.3gp2)"), "*.3g2;*.3gp2"},
        {VT_TR("Flash文件 (*.swf)"), "*.swf"},
        {VT_TR("Quick Time文件 (*.mov;*.qt)"), "*.mov;*.qt"},
        {VT_TR("FLV类型文件 (*.flv)"), "*.flv"},
        {VT_TR("Raw视频文件 (*.yuv)"), "*.yuv"},
        {VT_TR("Raw h261类型文件 (*.h261)"), "*.h261"},
        {VT_TR("Raw h264类型文件 (*.h264)"), "*.h264"},
        {VT_TR("MJPEG类型文件 (*.mjpeg)"), "*.mjpeg"},
        {VT_TR("MKV视频文件 (*.mkv)"), "*.mkv"},
        {VT_TR("DV视频文件 (*.dv;*.dif)"), "*.dv;*.dif"},
    };
    return filters;
}

std::string DialogFilterEntry(const TFileFilter& filter) {
    std::string patterns = filter.Patterns;
    while (patterns.ends_with(';'))
        patterns.pop_back();
    std::string label = filter.Label;
    // "AVI文件 (*.avi)": the label shows the patterns already.
    const std::string shown = " (" + patterns + ")";
    if (label.ends_with(shown))
        label.erase(label.size() - shown.size());
    std::ranges::replace(patterns, ';', ' ');
    return label + " (" + patterns + ")";
}
