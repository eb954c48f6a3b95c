// Preset files ("fpre") read and applied to a fresh task.
#include "FuzzSupport.h"

#include "options/Presets.h"
#include "task/FFmpegTask.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartOnce(ConverterLibrarySet);
    static const std::string path = FuzzScratchPath("preset.ffpreset");
    if (!FuzzWriteFile(path, data, size))
        return 0;
    TCustomFFmpeg task;
    task.ResetEngineState();
    try {
        ApplyPreset(task, "fpre", path);
    } catch (const std::exception&) {
    }
    task.ReleaseEngineState();
    std::remove(path.c_str());
    return 0;
}
