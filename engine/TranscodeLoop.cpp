// The body of one task's run.
#include "engine/FFmpegException.h"
#include "engine/FFmpegTask.h"

void TCustomFFmpeg::TranscodeLoop(TRunControl&) {
    PrepareRun();
    // The packet loop is not built yet: fail rather than report a header-only file as finished.
    throw FFmpegException("Transcoding loop not implemented");
}
