// vantoro-cli info: the probe's format report of each file named.
#include "cli/Commands.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"

#include <cstdio>
#include <exception>

int RunInfoCommand(const CommandArgs& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: vantoro-cli info FILE...\n");
        return 2;
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
        // The report's own line breaks are CR LF; end it the same way.
        std::fwrite(report.data(), 1, report.size(), stdout);
        std::fputs("\r\n", stdout);
    }
    return status;
}
