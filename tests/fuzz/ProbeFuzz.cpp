// The probe's open, summaries and format report on mutated media.
#include "FuzzSupport.h"

#include "media/AVProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartOnce(ConverterLibrarySet);
    static const std::string path = FuzzScratchPath("probe.media");
    if (!FuzzWriteFile(path, data, size))
        return 0;
    TCustomAVProbe probe;
    if (probe.Open(path)) {
        TFileStreamInfo file;
        probe.GetFileStreamInfo(file);
        TAudioStreamInfo audio;
        probe.GetAudioStreamInfo(-1, audio);
        TVideoStreamInfo video;
        probe.GetVideoStreamInfo(-1, video);
        std::string report;
        probe.GetFormatReport(report);
        probe.Close();
    }
    std::remove(path.c_str());
    return 0;
}
