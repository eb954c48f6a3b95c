#include "cli/ConvertArgs.h"

#include "profiles/OutputProfile.h"

#include <charconv>
#include <cstdio>
#include <string>

const char* const ConvertUsage =
    "usage: vantoro-cli convert --profile ID|NAME [--output-dir DIR] [--set LIST=ITEM]...\n"
    "                           [--filter hflip|vflip|negate]... [--clip HH:MM:SS-HH:MM:SS]\n"
    "                           [--deinterlace auto|on|off]\n"
    "                           [--overwrite] [--parallel N] [--then none|open-folder|shutdown]\n"
    "                           [--audio-track N] [--subtitles none|keep|burn [--subtitle-track N]]\n"
    "                           [--settings FILE] [--json] [--verbose] FILE...\n"
    "Converts the files as the main window does: the profile's choices with their\n"
    "defaults, unless --set picks another item of a list by its exact text (list\n"
    "names and items: vantoro-cli profiles). NAME is a profile of your own, saved\n"
    "in the options window next to the settings file; --set picks go over its picks.\n"
    "Outputs go to DIR (default: the output\n"
    "folder of the settings) named after the source with the profile's extension;\n"
    "an existing file gets a (New_N) name unless --overwrite is given. --clip\n"
    "converts a range of a single file. --deinterlace auto (the default) deinterlaces\n"
    "a source whose first seconds are interlaced, on every source, off none.\n"
    "--audio-track converts the source's audio track N (from 1; default: the\n"
    "source's default track); --subtitles keeps the subtitle track (--subtitle-track\n"
    "N, default: the source's default one) in the output where its container can\n"
    "hold it, burns it into the picture, or drops subtitles (none, the default); a\n"
    "file without that track fails with the reason. N jobs run at once (default:\n"
    "the number of processor cores, at most 10). --settings reads and writes FILE\n"
    "instead of the program's system.ini; a missing FILE starts from the defaults.\n"
    "Exit status:\n"
    "0 when every job finished, 1 otherwise, 2 for usage errors, 130 when stopped\n"
    "with Ctrl-C.\n"
    "\n"
    "--json: standard output carries one JSON object per line and nothing else; no\n"
    "progress is drawn, messages stay on standard error. S is a string, N a number,\n"
    "seconds are media seconds except elapsed_seconds (wall time). Every FILE is a\n"
    "job, index counts them from 0 in command-line order, and every job_added has\n"
    "one job_ended before run_ended; a FILE that could not be listed has output\n"
    "null and ends failed with the reason:\n"
    "  {\"event\":\"job_added\",\"index\":N,\"source\":S,\"output\":S|null,\"profile\":N,\n"
    "   \"profile_name\":S}\n"
    "  {\"event\":\"progress\",\"index\":N,\"seconds\":N,\"total_seconds\":N|null,\n"
    "   \"percent\":N|null,\"speed\":N|null}   (each whole percent, else each second)\n"
    "  {\"event\":\"job_ended\",\"index\":N,\"status\":\"finished\"|\"failed\"|\"stopped\",\n"
    "   \"source\":S,\"output\":S|null,\"expected_seconds\":N|null,\"measured_seconds\":N|null,\n"
    "   \"elapsed_seconds\":N|null,\"check\":{\"passed\":true|false,\"problem\":S|null,\n"
    "   \"expected_seconds\":N|null,\"measured_seconds\":N|null}|null,\"error\":S|null}\n"
    "  {\"event\":\"run_ended\",\"files\":N,\"jobs\":N,\"finished\":N,\"failed\":N,\n"
    "   \"stopped\":N,\"exit_status\":N}\n"
    "Bytes of a file name that are not UTF-8 read as U+FFFD in the JSON strings.\n";

namespace {

// Far more tracks than any source has; keeps the number an int.
constexpr long long MaxTrackNumber = 9999;

bool ParseInt(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

bool ParseConvertArgs(const CommandArgs& args, TConvertArgs& out, std::string& error) {
    bool haveProfile = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        // A folder or file name, which must not be empty.
        auto name = [&](std::string& v, const char* what) {
            if (!value(v))
                return false;
            if (v.empty())
                error = a + " needs a " + what;
            return !v.empty();
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out.Help = true;
            return true;
        } else if (a == "--profile") {
            long long id = 0;
            if (!value(v))
                return false;
            if (ParseInt(v, id)) {
                if (!FindProfile(static_cast<int32_t>(id))) {
                    error = "unknown profile \"" + v + "\" (see vantoro-cli profiles)";
                    return false;
                }
                out.Request.ProfileId = static_cast<int32_t>(id);
                out.OwnProfile.clear();
            } else {
                if (v.empty()) {
                    error = "--profile needs an id or the name of a profile of your own";
                    return false;
                }
                out.OwnProfile = v; // looked up in the settings folder once that is known
            }
            haveProfile = true;
        } else if (a == "--output-dir") {
            if (!name(out.OutputDir, "folder"))
                return false;
        } else if (a == "--set") {
            if (!value(v))
                return false;
            const auto eq = v.find('=');
            const auto role = eq == std::string::npos ? std::nullopt : ChoiceRoleByName(v.substr(0, eq));
            if (!role) {
                error = "--set wants LIST=ITEM with LIST one of VE VB VS VR AR AE AB AS CH VOL, not \"" + v +
                        "\"";
                return false;
            }
            out.Request.Picks.emplace_back(*role, v.substr(eq + 1));
        } else if (a == "--filter") {
            if (!value(v))
                return false;
            static const char* const names[] = {"hflip", "vflip", "negate"};
            bool known = false;
            for (size_t k = 0; k < 3; ++k)
                if (v == names[k])
                    out.Request.Filters[k] = known = true;
            if (!known) {
                error = "unknown filter \"" + v + "\" (hflip, vflip or negate)";
                return false;
            }
        } else if (a == "--deinterlace") {
            if (!value(v))
                return false;
            out.Request.Deinterlace = DeinterlaceByName(v);
            if (!out.Request.Deinterlace) {
                error = "--deinterlace wants auto, on or off, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--clip") {
            if (!value(v))
                return false;
            // What the options window's six clip boxes take, checked there like typed ones.
            out.Request.Clip = ParseClipRange(v);
            if (!out.Request.Clip) {
                error = "--clip wants HH:MM:SS-HH:MM:SS, each part up to two digits, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--audio-track" || a == "--subtitle-track") {
            long long n = 0;
            if (!value(v))
                return false;
            if (!ParseInt(v, n) || n < 1 || n > MaxTrackNumber) {
                error = a + " wants a track number from 1, not \"" + v + "\"";
                return false;
            }
            (a == "--audio-track" ? out.Request.AudioTrack : out.Request.SubtitleTrack) =
                static_cast<int32_t>(n);
        } else if (a == "--subtitles") {
            if (!value(v))
                return false;
            if (v != SubtitlesNone && v != SubtitlesKeep && v != SubtitlesBurn) {
                error = "--subtitles wants none, keep or burn, not \"" + v + "\"";
                return false;
            }
            out.Request.Subtitles = v;
        } else if (a == "--overwrite") {
            out.Overwrite = true;
        } else if (a == "--parallel") {
            long long n = 0;
            if (!value(v))
                return false;
            if (!ParseInt(v, n) || n < 1 || n > MaxParallelJobs) {
                error = "--parallel wants a number from 1 to " + std::to_string(MaxParallelJobs) +
                        ", not \"" + v + "\"";
                return false;
            }
            out.Parallel = static_cast<int>(n);
        } else if (a == "--then") {
            if (!value(v))
                return false;
            if (v == "none")
                out.Then = caNothing;
            else if (v == "open-folder")
                out.Then = caOpenFolder;
            else if (v == "shutdown")
                out.Then = caShutDown;
            else {
                error = "--then wants none, open-folder or shutdown, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--verbose") {
            out.Verbose = true;
        } else if (a == "--json") {
            out.Json = true;
        } else if (a == "--settings") {
            if (!name(out.SettingsFile, "file"))
                return false;
        } else if (a == "--") {
            out.Files.insert(out.Files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            out.Files.push_back(a);
        }
    }
    if (!haveProfile) {
        error = "--profile is required";
        return false;
    }
    if (out.Files.empty()) {
        error = "no files to convert";
        return false;
    }
    // A profile of one's own may bring the subtitle choice.
    if (out.Request.SubtitleTrack && out.OwnProfile.empty() &&
        (!out.Request.Subtitles || *out.Request.Subtitles == SubtitlesNone)) {
        error = "--subtitle-track needs --subtitles keep or burn";
        return false;
    }
    if (out.Request.Clip && out.Files.size() > 1) {
        error = "--clip applies to a single file";
        return false;
    }
    return true;
}
