// A batch converted by vantoro-cli against the same conversions made by the
// peers on this machine (HandBrakeCLI, ffmpeg), each with its default threading:
// one 1080p H.264 file and a batch of four, to the H.264 720p profile and to
// the MPEG-4 AVI profile. Prints each run's wall time, its ratio to
// HandBrakeCLI's, CPU time and peak memory (wait4 of the child).
//
//   bench_BatchVsPeers [--seconds S] [--rounds N] [--sources DIR] [--cli PATH] [--keep DIR]
//
// scripts/bench.sh installs the peers when they are missing, builds and runs it.
// The sources (S seconds, default 12, of 1920x1080 25 fps H.264 with 48 kHz
// AAC) are made by the fixture maker once into DIR (default: bench-sources
// beside this program). Our batch is one vantoro-cli run over the four files
// with its default number of files at once; the peers take one file per
// invocation, so their batch is four runs one after another. Each figure is
// the best of N rounds (default 2), tools alternating, since other processes
// skew single runs; the load average goes out with the table.
#include "ChildRun.h"
#include "fixtures/FixtureMaker.h"
#include "media/FileHelpers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace fs = std::filesystem;

namespace {

using bench::LoadAverage;
using bench::RunChild;
using bench::Sample;

constexpr double BatchGoal = 0.85; // of HandBrakeCLI's time
constexpr double SingleGoal = 1.0;
constexpr int BatchFiles = 4;

struct Settings {
    double Seconds = 12;
    int Rounds = 2;
    fs::path Sources;
    fs::path Cli;
    fs::path Keep;
};

// One of our profiles with the peers' nearest settings. Ours: the profile's
// preselected items. x264 on every side runs its "medium" preset: the profile's
// built-in x264 preset (hex search, subme 7, 3 references, 3 B-frames with fast
// adaptive placement, trellis 1, 8x8 transform, weighted prediction) is that
// preset's set of choices, and ffmpeg's libx264 starts from it too. One pass
// at the average bit rate everywhere.
struct Profile {
    const char* Name;
    int Id;
    const char* Extension; // ours
    std::vector<std::string> HandBrake;
    const char* HandBrakeExtension;
    std::vector<std::string> Ffmpeg;
};

const Profile Profiles[] = {
    {"H.264 720p (503)",
     503,
     ".avi",
     {"-e",
      "x264",
      "--encoder-preset",
      "medium",
      "-b",
      "1500",
      "-w",
      "1280",
      "-l",
      "720",
      "--non-anamorphic",
      "--crop",
      "0:0:0:0",
      "-r",
      "25",
      "--cfr",
      "-E",
      "mp3",
      "-B",
      "128",
      "-R",
      "44.1",
      "-6",
      "stereo"},
     ".mp4",
     {"-c:v", "libx264", "-preset", "medium", "-b:v", "1500k", "-s", "1280x720", "-r", "25", "-c:a",
      "libmp3lame", "-b:a", "128k", "-ar", "44100", "-ac", "2"}},
    {"MPEG-4 AVI (511)",
     511,
     ".avi",
     {"-e",     "mpeg4",   "-b", "1500",  "-w",    "1280", "-l",  "720", "--non-anamorphic",
      "--crop", "0:0:0:0", "-r", "25",    "--cfr", "-E",   "mp3", "-B",  "128",
      "-R",     "44.1",    "-6", "stereo"},
     ".mkv",
     {"-c:v", "mpeg4", "-b:v", "1500k", "-s", "1280x720", "-r", "25", "-c:a", "libmp3lame", "-b:a", "128k",
      "-ar", "44100", "-ac", "2"}},
};

enum class Tool { Ours, HandBrake, Ffmpeg };
constexpr Tool Tools[] = {Tool::Ours, Tool::HandBrake, Tool::Ffmpeg};

const char* ToolName(Tool tool) {
    return tool == Tool::Ours ? "vantoro-cli" : tool == Tool::HandBrake ? "HandBrakeCLI" : "ffmpeg";
}

// The output's duration as its container tells it; 0 when it does not open.
double OutputSeconds(const fs::path& file) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, file.c_str(), nullptr, nullptr) < 0)
        return 0;
    double seconds = 0;
    if (avformat_find_stream_info(ctx, nullptr) >= 0 && ctx->duration > 0)
        seconds = static_cast<double>(ctx->duration) / AV_TIME_BASE;
    avformat_close_input(&ctx);
    return seconds;
}

// Converts `sources` with `tool` into the empty folder `out`.
Sample Convert(Tool tool, const Profile& profile, const std::vector<fs::path>& sources, const fs::path& out,
               const Settings& settings) {
    Sample sample;
    sample.Ok = true;
    std::vector<fs::path> outputs;
    if (tool == Tool::Ours) {
        std::vector<std::string> args{settings.Cli.string(),
                                      "convert",
                                      "--profile",
                                      std::to_string(profile.Id),
                                      "--output-dir",
                                      out.string(),
                                      "--overwrite",
                                      "--then",
                                      "none"};
        for (const fs::path& source : sources) {
            args.push_back(source.string());
            outputs.push_back(out / (source.stem().string() + profile.Extension));
        }
        sample.Ok = RunChild(args, out / "log.txt", sample);
    } else {
        for (const fs::path& source : sources) {
            const fs::path output =
                out / (source.stem().string() +
                       (tool == Tool::HandBrake ? profile.HandBrakeExtension : profile.Extension));
            std::vector<std::string> args;
            if (tool == Tool::HandBrake) {
                args = {"HandBrakeCLI", "-i", source.string(), "-o", output.string()};
                args.insert(args.end(), profile.HandBrake.begin(), profile.HandBrake.end());
            } else {
                args = {"ffmpeg", "-nostdin", "-y", "-i", source.string()};
                args.insert(args.end(), profile.Ffmpeg.begin(), profile.Ffmpeg.end());
                args.push_back(output.string());
            }
            sample.Ok = RunChild(args, out / (source.stem().string() + ".log"), sample) && sample.Ok;
            outputs.push_back(output);
        }
    }
    for (const fs::path& output : outputs) {
        const double seconds = OutputSeconds(output);
        if (std::abs(seconds - settings.Seconds) > 1.0) {
            std::fprintf(stderr, "%s: %s lasts %.2f s, not %.0f s (see the logs in %s)\n", ToolName(tool),
                         output.c_str(), seconds, settings.Seconds, out.c_str());
            sample.Ok = false;
        }
    }
    return sample;
}

std::vector<fs::path> MakeSources(const Settings& settings) {
    fs::create_directories(settings.Sources);
    std::vector<fs::path> files;
    for (int i = 1; i <= BatchFiles; ++i) {
        const fs::path file =
            settings.Sources / ("source" + std::to_string(static_cast<int>(settings.Seconds)) + "s-" +
                                std::to_string(i) + ".mp4");
        if (!fs::exists(file)) {
            std::fprintf(stderr, "making %s\n", file.c_str());
            ClipSpec spec = VideoAndAudioClip(settings.Seconds);
            spec.Format = "mp4";
            VideoTrackSpec& video = spec.Video[0];
            video.Codec = "libx264";
            video.Width = 1920;
            video.Height = 1080;
            video.GopSize = 50;
            video.BitRate = 8000000;
            video.Options = {{"preset", "veryfast"}};
            spec.Audio[0].Codec = "aac";
            spec.Audio[0].SampleRate = 48000;
            spec.Audio[0].BitRate = 192000;
            spec.Audio[0].ToneHz = 220.0 * i; // four different files
            MakeClip(file.string(), spec);
        }
        files.push_back(file);
    }
    return files;
}

bool ParseArgs(int argc, char** argv, Settings& settings) {
    const fs::path self = ProgramFolder();
    settings.Sources = self / "bench-sources";
    settings.Cli = self.parent_path() / "vantoro-cli";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return false;
        if (a == "--seconds")
            settings.Seconds = std::atof(value);
        else if (a == "--rounds")
            settings.Rounds = std::atoi(value);
        else if (a == "--sources")
            settings.Sources = value;
        else if (a == "--cli")
            settings.Cli = value;
        else if (a == "--keep")
            settings.Keep = value;
        else
            return false;
        ++i;
    }
    return settings.Seconds >= 1 && settings.Rounds >= 1;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!ParseArgs(argc, argv, settings)) {
        std::fprintf(stderr, "usage: bench_BatchVsPeers [--seconds S] [--rounds N] [--sources DIR] "
                             "[--cli PATH] [--keep DIR]\n");
        return 2;
    }
    for (const char* peer : {"HandBrakeCLI", "ffmpeg"}) {
        if (std::system((std::string("command -v ") + peer + " >/dev/null").c_str()) != 0) {
            std::fprintf(stderr, "%s is missing: scripts/bench.sh installs it\n", peer);
            return 2;
        }
    }
    const std::vector<fs::path> sources = MakeSources(settings);
    const std::vector<fs::path> single{sources.front()};
    TempDir scratch;
    const fs::path work = settings.Keep.empty() ? scratch.Path() : settings.Keep;

    std::printf("sources: %d x %.0f s of 1920x1080 H.264 25 fps + AAC 48 kHz; %ld cores; best of %d rounds\n",
                BatchFiles, settings.Seconds, sysconf(_SC_NPROCESSORS_ONLN), settings.Rounds);
    std::printf("load average before: %s\n", LoadAverage().c_str());
    std::fflush(stdout);

    // best[profile][batch][tool]
    std::map<int, std::map<bool, std::map<Tool, Sample>>> best;
    bool allOk = true;
    for (int round = 0; round < settings.Rounds; ++round) {
        for (const Profile& profile : Profiles) {
            for (const bool batch : {false, true}) {
                // Each round starts with another tool, so a busy spell hits them in turn.
                for (int t = 0; t < 3; ++t) {
                    const Tool tool = Tools[(t + round) % 3];
                    const fs::path out = work / (std::to_string(profile.Id) +
                                                 (batch ? "-batch-" : "-single-") + ToolName(tool));
                    fs::remove_all(out);
                    fs::create_directories(out);
                    const Sample sample = Convert(tool, profile, batch ? sources : single, out, settings);
                    std::fprintf(stderr, "round %d %s %s %s: %.2f s%s\n", round + 1, profile.Name,
                                 batch ? "batch" : "single", ToolName(tool), sample.Wall,
                                 sample.Ok ? "" : " FAILED");
                    allOk = allOk && sample.Ok;
                    Sample& kept = best[profile.Id][batch][tool];
                    if (kept.Wall == 0 || sample.Wall < kept.Wall)
                        kept = sample;
                }
            }
        }
    }

    std::printf("load average after:  %s\n\n", LoadAverage().c_str());
    std::printf("%-18s %-7s %-13s %9s %9s %9s %9s\n", "profile", "case", "tool", "time s", "x HB", "cpu s",
                "peak MB");
    bool goalsMet = true;
    for (const Profile& profile : Profiles) {
        for (const bool batch : {false, true}) {
            const auto& row = best[profile.Id][batch];
            const double handBrake = row.at(Tool::HandBrake).Wall;
            for (const Tool tool : Tools) {
                const Sample& s = row.at(tool);
                std::printf("%-18s %-7s %-13s %9.2f %9.2f %9.2f %9.1f\n", profile.Name,
                            batch ? "batch" : "single", ToolName(tool), s.Wall, s.Wall / handBrake, s.Cpu,
                            s.PeakKb / 1024.0);
            }
            const double ratio = row.at(Tool::Ours).Wall / handBrake;
            const double goal = batch ? BatchGoal : SingleGoal;
            goalsMet = goalsMet && ratio <= goal;
            std::printf("%-18s %-7s goal <= %.2f x HandBrakeCLI: %s\n", profile.Name,
                        batch ? "batch" : "single", goal, ratio <= goal ? "met" : "MISSED");
        }
    }
    return allOk && goalsMet ? 0 : 1;
}
