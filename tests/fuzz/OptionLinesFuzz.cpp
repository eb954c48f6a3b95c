// The option lines of a task record, split, parsed and dispatched through the
// option table on a fresh task, as for an input or an output.
#include "FuzzSupport.h"

#include "options/OptionLines.h"
#include "options/OptionTable.h"
#include "task/FFmpegTask.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartOnce(ConverterLibrarySet);
    if (size == 0)
        return 0;
    const TOptionLineMode mode = data[0] & 1 ? olmOutput : olmInput;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    TCustomFFmpeg task;
    task.ResetEngineState();
    try {
        for (const TOptionLine& option : ParseOptionLines(text, mode)) {
            // A frame-hook module is code loaded by path: not something to hand random names to.
            if (option.Name == "vhook")
                continue;
            DispatchOption(task, option.Name, option.Value);
        }
    } catch (const std::exception&) {
        // Refused options are the expected outcome of most inputs.
    }
    task.ReleaseEngineState();
    return 0;
}
