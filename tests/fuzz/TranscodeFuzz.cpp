// A whole short conversion of a mutated input: open, run preparation, the loop
// to its end (at most half a second of input), flush, trailer.
#include "FuzzSupport.h"

#include "options/OptionTable.h"
#include "task/FFmpegTask.h"

#include <exception>
#include <utility>

namespace {

class NoStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

// Small and fast: a mutated header may claim any size or rate.
const std::pair<const char*, const char*> Options[] = {
    {"t", "0.5"},    {"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"s", "32x24"},
    {"ar", "22050"}, {"ac", "1"},         {"vframes", "13"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartOnce(ConverterLibrarySet);
    static const std::string in = FuzzScratchPath("transcode.in");
    static const std::string out = FuzzScratchPath("transcode.mkv");
    if (!FuzzWriteFile(in, data, size))
        return 0;
    TCustomFFmpeg task;
    task.ResetEngineState();
    try {
        if (task.OpenInputFile(in)) {
            for (const auto& [name, value] : Options)
                DispatchOption(task, name, value);
            if (task.OpenOutputFile(out) > 0) {
                NoStop control;
                task.TranscodeLoop(control);
            }
        }
    } catch (const std::exception&) {
    }
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
