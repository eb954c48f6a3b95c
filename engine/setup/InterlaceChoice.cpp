// "deinterlace=auto" at the start of a run, on the task's thread: the source of
// the first encoded video stream is looked at, and the deinterlacer goes into
// its graph only when that source is interlaced. An output that is itself coded
// interlaced (interlaced DCT or motion, or a field order set with "top") keeps
// the fields as they are.
#include "task/FFmpegTask.h"
#include "setup/InterlaceDetection.h"
#include "media/FFmpegLogger.h"

void TCustomFFmpeg::ChooseDeinterlacing() {
    TEngineSettings& s = settings_;
    // Decided once: a second preparation of the task keeps the first verdict.
    s.DeinterlaceAuto = false;
    s.DoDeinterlace = false;
    const TOutputStream* video = nullptr;
    for (const TOutputStream& ost : outputStreams_)
        if (!video && !ost.StreamCopy && ost.SourceIndex >= 0 && ost.Encoder &&
            ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO)
            video = &ost;
    if (!video)
        return;
    const TInputStream& ist = inputStreams_[video->SourceIndex];
    if ((video->Encoder->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME)) ||
        s.TopFieldFirst >= 0) {
        GetLogger().Log(logSender_, llVerbose, "Deinterlacing: the output is coded interlaced, fields kept");
        return;
    }

    TInputFile& input = inputs_[ist.FileIndex];
    const TInputStreamSetup& setup = input.Streams[ist.StreamIndex];
    const AVCodec* decoder =
        setup.ForcedDecoder ? setup.ForcedDecoder : avcodec_find_decoder(ist.Stream->codecpar->codec_id);
    const TInterlaceSample sample =
        SampleInterlacing(input.Context.get(), ist.StreamIndex, decoder, input.ReadAhead);
    s.DoDeinterlace = SampleIsInterlaced(sample);
    s.DeinterlaceParity = s.DoDeinterlace ? SampleFieldParity(sample) : -1;
    GetLogger().LogFmt(logSender_, llVerbose,
                       "Deinterlacing: %s (%d pictures, %d coded interlaced; detector: %d top field first, "
                       "%d bottom field first, %d progressive)",
                       s.DoDeinterlace ? "on, the source is interlaced" : "off, the source is progressive",
                       sample.Pictures, sample.FlaggedInterlaced, sample.TopFirst, sample.BottomFirst,
                       sample.Progressive);
}
