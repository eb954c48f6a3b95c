// vantoro-cli info: the probe's format report of each file named.
#include "cli/Commands.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"

#include <cstdio>
#include <exception>

int RunInfoCommand(const CommandArgs& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        const bool help = !args.empty();
        std::fprintf(help ? stdout : stderr, "usage: vantoro-cli info FILE...\n"
                                             "Prints each file's format report.\n");
        return help ? 0 : 2;
    }
    if (!FFmpegLoader().BindSet(ConverterLibrarySet)) {
        std::fprintf(stderr, "%s\n", FFmpegLoader().LastError().c_str());
        return 1;
    }
    int status = 0;
    TAVProbe probe;
    std::string report;
    for (const auto& fileName : args) {
        try {
            if (!probe.Open(fileName)) {
                std::fprintf(stderr, "%s\n", probe.LastError().c_str());
                status = 1;
                continue;
            }
            probe.GetFormatReport(report);
            probe.Close();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
            continue;
        }
        // The report keeps CR LF for the media information pieces; a terminal
        // and the tools reading this output want LF.
        std::string text;
        text.reserve(report.size() + 1);
        for (size_t i = 0; i < report.size(); ++i)
            if (!(report[i] == '\r' && i + 1 < report.size() && report[i + 1] == '\n'))
                text += report[i];
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return status;
}
