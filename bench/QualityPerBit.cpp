// Picture quality at a given bit rate: camera-like 720p sources converted by
// our MPEG-4 and H.264 profiles (vantoro-cli convert) and by the peers on this
// machine (HandBrakeCLI, ffmpeg) with the same codec, bit rate, size and rate.
// Prints the video bit rate each reached, SSIM and PSNR of the decoded output
// against the decoded source, and the CPU time of the conversion.
//
//   bench_QualityPerBit [--seconds S] [--rounds N] [--sources DIR] [--cli PATH]
//                       [--before PATH] [--keep DIR]
//   bench_QualityPerBit compare OUTPUT SOURCE
//
// scripts/bench.sh --quality installs the peers when they are missing, builds
// and runs it. The sources (S seconds, default 4, 1280x720 25 fps, two scenes
// with texture, hard edges, a pan with shake, a moving object and sensor
// noise, H.264 at 30 to 40 Mbit/s + AAC) are made by the fixture maker once into
// DIR. `--before PATH` adds the rows of another vantoro-cli (an older build).
// SSIM and PSNR come from libavfilter's ssim and psnr filters fed with the
// decoded pictures, frame by frame in display order: SSIM is the mean of the
// frames' all-plane values, PSNR the all-plane value of the mean squared
// error. CPU time is user + system of the child (the best of N rounds), which
// a busy machine disturbs less than wall time. `compare` prints the figures
// of one output against its source.
//
// Each profile also runs with the three constant-quality items of its bit-rate
// list ("恒定质量 (高)", "(中)", "(低)": rows "quality high", "middle", "low"),
// and a last line per profile says whether the middle one keeps its promise
// against the preselected 1500 kbps: a smaller file at an SSIM within 0.005,
// or a better SSIM at the same size (2 %). `--no-quality` leaves these rows out,
// `--no-peers` the peers' (so no peer needs to be installed); `--profile ID`
// runs one of the two profiles only. The middle item holds when it keeps the
// promise on the means and on every scene.
#include "ChildRun.h"
#include "fixtures/FixtureMaker.h"
#include "media/FileHelpers.h"
#include "media/LibraryPointers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace fs = std::filesystem;

namespace {

using bench::LoadAverage;

constexpr int SceneCount = 2;

struct Settings {
    double Seconds = 4;
    int Rounds = 1;
    fs::path Sources;
    fs::path Cli;
    fs::path Before;
    fs::path Keep;
    bool Peers = true;
    bool Quality = true;
    int OnlyProfile = 0; // 0: every profile
};

// One of our profiles with the peers' matching settings: the profile's
// preselected items but the 16:9 aspect (square pixels at 1280x720, as the
// peers write), one pass at the average bit rate everywhere, x264 "medium"
// (what the profile's x264 settings amount to), MP3 128 kbit/s audio.
struct Profile {
    const char* Name;
    int Id;
    const char* Extension; // ours and ffmpeg's
    int KbitPerSecond;
    const char* HandBrakeEncoder;
    std::vector<std::string> FfmpegVideo;
};

const Profile Profiles[] = {
    {"MPEG-4 (511)", 511, ".avi", 1500, "mpeg4", {"-c:v", "mpeg4", "-vtag", "XVID"}},
    {"H.264 (503)", 503, ".avi", 1500, "x264", {"-c:v", "libx264", "-preset", "medium"}},
};

enum class Tool { Ours, Before, HandBrake, Ffmpeg, QualityHigh, QualityMiddle, QualityLow };

// The constant-quality item a quality row picks; null for the other tools.
const char* QualityItem(Tool tool) {
    switch (tool) {
    case Tool::QualityHigh:
        return "恒定质量 (高)";
    case Tool::QualityMiddle:
        return "恒定质量 (中)";
    case Tool::QualityLow:
        return "恒定质量 (低)";
    default:
        return nullptr;
    }
}

// The middle item's promise against the bit rate: a smaller file at an SSIM
// within this of it, or a better SSIM at the same size (within this share).
constexpr double SsimAllowance = 0.005;
constexpr double SameSize = 0.02;

const char* ToolName(Tool tool) {
    switch (tool) {
    case Tool::Ours:
        return "vantoro-cli";
    case Tool::Before:
        return "vantoro-cli (before)";
    case Tool::HandBrake:
        return "HandBrakeCLI";
    case Tool::Ffmpeg:
        return "ffmpeg";
    case Tool::QualityHigh:
        return "vantoro-cli quality high";
    case Tool::QualityMiddle:
        return "vantoro-cli quality middle";
    case Tool::QualityLow:
        return "vantoro-cli quality low";
    }
    return "";
}

struct Quality {
    int Frames = 0;
    double Ssim = 0;
    double Psnr = 0;
    double KbitPerSecond = 0; // video stream only
};

// Runs `args` with its output going to `log`; the child's CPU seconds, or a negative value on failure.
double RunChild(const std::vector<std::string>& args, const fs::path& log) {
    bench::Sample sample;
    return bench::RunChild(args, log, sample) ? sample.Cpu : -1;
}

void Check(int result, const char* what) {
    if (result < 0)
        throw std::runtime_error(what);
}

// The pictures of a file's best video stream in display order, and the bytes of its packets.
class PictureReader {
public:
    explicit PictureReader(const fs::path& file) : packet_(av_packet_alloc()), frame_(av_frame_alloc()) {
        AVFormatContext* raw = nullptr;
        if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0)
            throw std::runtime_error("cannot open " + file.string());
        input_.reset(raw);
        Check(avformat_find_stream_info(raw, nullptr), "no stream information");
        const AVCodec* decoder = nullptr;
        stream_ = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        Check(stream_, "no video stream");
        decoder_.reset(avcodec_alloc_context3(decoder));
        Check(avcodec_parameters_to_context(decoder_.get(), raw->streams[stream_]->codecpar),
              "bad parameters");
        decoder_->thread_count = 2;
        Check(avcodec_open2(decoder_.get(), decoder, nullptr), "cannot open the decoder");
        rate_ = raw->streams[stream_]->avg_frame_rate;
        if (!packet_ || !frame_)
            throw std::bad_alloc();
    }

    // The next picture (owned by the reader until the next call), null at the end.
    AVFrame* Next() {
        for (;;) {
            const int got = avcodec_receive_frame(decoder_.get(), frame_.get());
            if (got == 0)
                return frame_.get();
            if (got == AVERROR_EOF)
                return nullptr;
            if (ended_)
                Check(avcodec_send_packet(decoder_.get(), nullptr), "decoder flush");
            else if (av_read_frame(input_.get(), packet_.get()) < 0) {
                ended_ = true;
                Check(avcodec_send_packet(decoder_.get(), nullptr), "decoder flush");
            } else {
                if (packet_->stream_index == stream_) {
                    bytes_ += packet_->size;
                    avcodec_send_packet(decoder_.get(), packet_.get()); // damaged packets are skipped
                }
                av_packet_unref(packet_.get());
            }
        }
    }

    int64_t Bytes() const { return bytes_; }
    AVRational Rate() const { return rate_; }

private:
    InputClosePtr input_;
    PlainCodecContextPtr decoder_;
    PacketPtr packet_;
    FramePtr frame_;
    int stream_ = -1;
    bool ended_ = false;
    int64_t bytes_ = 0;
    AVRational rate_{25, 1};
};

// [out] and [ref] through ssim, then psnr; each picture leaves with both results in its metadata.
class MetricGraph {
public:
    MetricGraph(const AVFrame& output, const AVFrame& reference) : graph_(avfilter_graph_alloc()) {
        if (!graph_)
            throw std::bad_alloc();
        out_ = AddSource("out", output);
        ref_ = AddSource("ref", reference);
        Check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "sink", nullptr,
                                           nullptr, graph_.get()),
              "buffersink");
        // Another size (a peer that would not keep it) is scaled to the source's for the comparison.
        const std::string graph = "[out]scale=" + std::to_string(reference.width) + ":" +
                                  std::to_string(reference.height) +
                                  ":flags=bicubic,format=yuv420p[o];"
                                  "[ref]format=yuv420p,split[r1][r2];"
                                  "[o][r1]ssim[s];[s][r2]psnr[result]";
        AVFilterInOut* inputs = avfilter_inout_alloc();
        AVFilterInOut* outputs = Link("out", out_, Link("ref", ref_, nullptr));
        inputs->name = av_strdup("result");
        inputs->filter_ctx = sink_;
        inputs->pad_idx = 0;
        inputs->next = nullptr;
        const int parsed = avfilter_graph_parse_ptr(graph_.get(), graph.c_str(), &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        Check(parsed, "metric graph");
        Check(avfilter_graph_config(graph_.get(), nullptr), "metric graph set-up");
    }

    // Compares picture `index` of both; adds the results to the sums.
    void Add(AVFrame* output, AVFrame* reference, int64_t index) {
        output->pts = reference->pts = index;
        Check(av_buffersrc_add_frame_flags(out_, output, AV_BUFFERSRC_FLAG_KEEP_REF), "feed output");
        Check(av_buffersrc_add_frame_flags(ref_, reference, AV_BUFFERSRC_FLAG_KEEP_REF), "feed source");
        Drain();
    }

    Quality Finish() {
        Check(av_buffersrc_add_frame(out_, nullptr), "end of output");
        Check(av_buffersrc_add_frame(ref_, nullptr), "end of source");
        Drain();
        Quality q;
        q.Frames = frames_;
        if (frames_ > 0) {
            q.Ssim = ssimSum_ / frames_;
            const double mse = mseSum_ / frames_;
            q.Psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
        }
        return q;
    }

private:
    AVFilterContext* AddSource(const char* name, const AVFrame& frame) {
        char args[160];
        std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=1/1",
                      frame.width, frame.height, frame.format);
        AVFilterContext* ctx = nullptr;
        Check(avfilter_graph_create_filter(&ctx, avfilter_get_by_name("buffer"), name, args, nullptr,
                                           graph_.get()),
              "buffer source");
        return ctx;
    }

    static AVFilterInOut* Link(const char* name, AVFilterContext* ctx, AVFilterInOut* next) {
        AVFilterInOut* io = avfilter_inout_alloc();
        io->name = av_strdup(name);
        io->filter_ctx = ctx;
        io->pad_idx = 0;
        io->next = next;
        return io;
    }

    void Drain() {
        FramePtr result(av_frame_alloc());
        while (av_buffersink_get_frame(sink_, result.get()) >= 0) {
            const AVDictionaryEntry* ssim = av_dict_get(result->metadata, "lavfi.ssim.All", nullptr, 0);
            const AVDictionaryEntry* mse = av_dict_get(result->metadata, "lavfi.psnr.mse_avg", nullptr, 0);
            if (ssim && mse) {
                ssimSum_ += std::atof(ssim->value);
                mseSum_ += std::atof(mse->value);
                ++frames_;
            }
            av_frame_unref(result.get());
        }
    }

    FilterGraphPtr graph_;
    AVFilterContext* out_ = nullptr;
    AVFilterContext* ref_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    double ssimSum_ = 0;
    double mseSum_ = 0;
    int frames_ = 0;
};

Quality Measure(const fs::path& output, const fs::path& source) {
    PictureReader out(output);
    PictureReader ref(source);
    std::unique_ptr<MetricGraph> graph;
    int64_t index = 0;
    int outputFrames = 0, sourceFrames = 0;
    for (;;) {
        AVFrame* o = out.Next();
        AVFrame* r = ref.Next();
        outputFrames += o != nullptr;
        sourceFrames += r != nullptr;
        if (!o || !r) {
            // Count what is left, for the warning below.
            while (o && (o = out.Next()))
                ++outputFrames;
            while (r && (r = ref.Next()))
                ++sourceFrames;
            break;
        }
        if (!graph)
            graph = std::make_unique<MetricGraph>(*o, *r);
        graph->Add(o, r, index++);
    }
    if (outputFrames != sourceFrames)
        std::fprintf(stderr, "%s: %d pictures, the source %d\n", output.c_str(), outputFrames, sourceFrames);
    Quality q = graph ? graph->Finish() : Quality{};
    const AVRational rate = out.Rate().num > 0 ? out.Rate() : AVRational{25, 1};
    if (outputFrames > 0)
        q.KbitPerSecond =
            static_cast<double>(out.Bytes()) * 8 / 1000 / (outputFrames * av_q2d(av_inv_q(rate)));
    return q;
}

std::vector<fs::path> MakeSources(const Settings& settings) {
    fs::create_directories(settings.Sources);
    std::vector<fs::path> files;
    for (int scene = 1; scene <= SceneCount; ++scene) {
        const fs::path file =
            settings.Sources / ("camera" + std::to_string(scene) + "-" +
                                std::to_string(static_cast<int>(settings.Seconds)) + "s.mp4");
        if (!fs::exists(file)) {
            std::fprintf(stderr, "making %s\n", file.c_str());
            ClipSpec spec = VideoAndAudioClip(settings.Seconds);
            spec.Format = "mp4";
            VideoTrackSpec& video = spec.Video[0];
            video.Codec = "libx264";
            video.Width = 1280;
            video.Height = 720;
            video.GopSize = 50;
            video.CameraScene = scene;
            // A camera's rate or more (30 to 40 Mbit/s), so that its own coding hardly counts.
            video.Options = {{"preset", "veryfast"}, {"qp", "12"}};
            spec.Audio[0].Codec = "aac";
            spec.Audio[0].SampleRate = 48000;
            spec.Audio[0].BitRate = 192000;
            const fs::path partial = file.string() + ".part.mp4";
            MakeClip(partial.string(), spec);
            fs::rename(partial, file);
        }
        files.push_back(file);
    }
    return files;
}

std::vector<std::string> Command(Tool tool, const Profile& profile, const Settings& settings,
                                 const fs::path& source, const fs::path& out, fs::path& output) {
    const std::string rate = std::to_string(profile.KbitPerSecond);
    switch (tool) {
    case Tool::Ours:
    case Tool::Before:
    case Tool::QualityHigh:
    case Tool::QualityMiddle:
    case Tool::QualityLow: {
        output = out / (source.stem().string() + profile.Extension);
        std::vector<std::string> args{(tool == Tool::Before ? settings.Before : settings.Cli).string(),
                                      "convert",
                                      "--profile",
                                      std::to_string(profile.Id),
                                      "--set",
                                      "AR=宽屏视频16:9模式",
                                      "--output-dir",
                                      out.string(),
                                      "--overwrite",
                                      "--parallel",
                                      "1",
                                      source.string()};
        if (const char* item = QualityItem(tool))
            args.insert(args.begin() + 4, {"--set", std::string("VB=") + item});
        return args;
    }
    case Tool::HandBrake: {
        output = out / (source.stem().string() + ".mkv");
        std::vector<std::string> args{"HandBrakeCLI",  "-i", source.string(),         "-o",
                                      output.string(), "-e", profile.HandBrakeEncoder};
        if (std::string(profile.HandBrakeEncoder) == "x264")
            args.insert(args.end(), {"--encoder-preset", "medium"});
        args.insert(args.end(), {"-b",     rate,      "-w", "1280", "-l",    "720",   "--non-anamorphic",
                                 "--crop", "0:0:0:0", "-r", "25",   "--cfr", "-E",    "mp3",
                                 "-B",     "128",     "-R", "44.1", "-6",    "stereo"});
        return args;
    }
    case Tool::Ffmpeg: {
        output = out / (source.stem().string() + profile.Extension);
        std::vector<std::string> args{"ffmpeg", "-nostdin", "-y", "-i", source.string()};
        args.insert(args.end(), profile.FfmpegVideo.begin(), profile.FfmpegVideo.end());
        for (const char* a : {"-b:v", "", "-s", "1280x720", "-r", "25", "-c:a", "libmp3lame", "-b:a", "128k",
                              "-ar", "44100", "-ac", "2"})
            args.emplace_back(*a ? a : (rate + "k").c_str());
        args.push_back(output.string());
        return args;
    }
    }
    return {};
}

struct Row {
    Quality Q;
    double Cpu = 0; // best of the rounds
    bool Ok = false;
};

bool ParseArgs(int argc, char** argv, Settings& settings) {
    const fs::path self = ProgramFolder();
    settings.Sources = self / "bench-sources";
    settings.Cli = self.parent_path() / "vantoro-cli";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--no-peers") {
            settings.Peers = false;
            continue;
        }
        if (a == "--no-quality") {
            settings.Quality = false;
            continue;
        }
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
        else if (a == "--before")
            settings.Before = value;
        else if (a == "--keep")
            settings.Keep = value;
        else if (a == "--profile")
            settings.OnlyProfile = std::atoi(value);
        else
            return false;
        ++i;
    }
    return settings.Seconds >= 1 && settings.Rounds >= 1;
}

void PrintQuality(const char* name, const Quality& q) {
    std::printf("%s: %d pictures, %.0f kbit/s video, SSIM %.4f, PSNR %.2f dB\n", name, q.Frames,
                q.KbitPerSecond, q.Ssim, q.Psnr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "compare") {
        try {
            PrintQuality(argv[2], Measure(argv[2], argv[3]));
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    Settings settings;
    if (!ParseArgs(argc, argv, settings)) {
        std::fprintf(stderr, "usage: bench_QualityPerBit [--seconds S] [--rounds N] [--sources DIR] "
                             "[--cli PATH] [--before PATH] [--keep DIR] [--no-peers] [--no-quality]\n"
                             "                           [--profile 511|503]\n"
                             "       bench_QualityPerBit compare OUTPUT SOURCE\n");
        return 2;
    }
    for (const char* peer : {"HandBrakeCLI", "ffmpeg"}) {
        if (settings.Peers && std::system((std::string("command -v ") + peer + " >/dev/null").c_str()) != 0) {
            std::fprintf(stderr, "%s is missing: scripts/bench.sh installs it\n", peer);
            return 2;
        }
    }
    std::vector<Tool> tools{Tool::Ours};
    if (!settings.Before.empty())
        tools.push_back(Tool::Before);
    if (settings.Peers) {
        tools.push_back(Tool::HandBrake);
        tools.push_back(Tool::Ffmpeg);
    }
    if (settings.Quality)
        tools.insert(tools.end(), {Tool::QualityHigh, Tool::QualityMiddle, Tool::QualityLow});

    const std::vector<fs::path> sources = MakeSources(settings);
    TempDir scratch;
    const fs::path work = settings.Keep.empty() ? scratch.Path() : settings.Keep;
    std::printf("sources: %d camera-like scenes x %.0f s, 1280x720 25 fps; %ld cores; CPU time best of %d\n",
                SceneCount, settings.Seconds, sysconf(_SC_NPROCESSORS_ONLN), settings.Rounds);
    std::printf("load average before: %s\n", LoadAverage().c_str());
    std::fflush(stdout);

    // rows[profile][tool][source]
    std::map<int, std::map<Tool, std::vector<Row>>> rows;
    bool allOk = true;
    const auto skipped = [&](const Profile& profile) {
        return settings.OnlyProfile != 0 && profile.Id != settings.OnlyProfile;
    };
    for (const Profile& profile : Profiles) {
        if (skipped(profile))
            continue;
        for (const Tool tool : tools) {
            std::vector<Row>& perSource = rows[profile.Id][tool];
            perSource.resize(sources.size());
            for (size_t s = 0; s < sources.size(); ++s) {
                Row& row = perSource[s];
                for (int round = 0; round < settings.Rounds; ++round) {
                    const fs::path out = work / (std::to_string(profile.Id) + "-" + std::to_string(s) + "-" +
                                                 std::to_string(static_cast<int>(tool)));
                    fs::remove_all(out);
                    fs::create_directories(out);
                    fs::path output;
                    const double cpu =
                        RunChild(Command(tool, profile, settings, sources[s], out, output), out / "log.txt");
                    if (cpu < 0) {
                        std::fprintf(stderr, "%s %s %s FAILED (see %s)\n", profile.Name, ToolName(tool),
                                     sources[s].filename().c_str(), out.c_str());
                        row.Ok = false;
                        break;
                    }
                    if (round == 0 || cpu < row.Cpu)
                        row.Cpu = cpu;
                    if (round == 0) {
                        try {
                            row.Q = Measure(output, sources[s]);
                            row.Ok = row.Q.Frames > 0;
                        } catch (const std::exception& e) {
                            std::fprintf(stderr, "%s: %s\n", output.c_str(), e.what());
                        }
                    }
                }
                allOk = allOk && row.Ok;
                std::fprintf(stderr, "%s %s %s: %.0f kbit/s SSIM %.4f PSNR %.2f cpu %.2f s\n", profile.Name,
                             ToolName(tool), sources[s].filename().c_str(), row.Q.KbitPerSecond, row.Q.Ssim,
                             row.Q.Psnr, row.Cpu);
            }
        }
    }

    std::printf("load average after:  %s\n\n", LoadAverage().c_str());
    std::printf("%-13s %-26s %9s %13s %8s %9s %7s\n", "profile", "tool", "target", "kbit/s video", "SSIM",
                "PSNR dB", "cpu s");
    // The mean over the sources; CPU time summed.
    const auto mean = [&](int profile, Tool tool) {
        Row sum;
        for (const Row& row : rows[profile][tool]) {
            sum.Q.KbitPerSecond += row.Q.KbitPerSecond / static_cast<double>(sources.size());
            sum.Q.Ssim += row.Q.Ssim / static_cast<double>(sources.size());
            sum.Q.Psnr += row.Q.Psnr / static_cast<double>(sources.size());
            sum.Cpu += row.Cpu;
        }
        return sum;
    };
    for (const Profile& profile : Profiles) {
        if (skipped(profile))
            continue;
        for (const Tool tool : tools) {
            const Row sum = mean(profile.Id, tool);
            if (QualityItem(tool))
                std::printf("%-13s %-26s %9s", profile.Name, ToolName(tool), "-");
            else
                std::printf("%-13s %-26s %9d", profile.Name, ToolName(tool), profile.KbitPerSecond);
            std::printf(" %13.0f %8.4f %9.2f %7.2f\n", sum.Q.KbitPerSecond, sum.Q.Ssim, sum.Q.Psnr, sum.Cpu);
        }
    }
    if (settings.Quality) {
        std::printf("\n");
        // Whether `middle` keeps the promise against `rate`; prints the figures.
        const auto holds = [](const Quality& rate, const Quality& middle) {
            const double bits = middle.KbitPerSecond / rate.KbitPerSecond - 1;
            const double ssim = middle.Ssim - rate.Ssim;
            std::printf(" %+.1f %% bits, SSIM %+.4f", 100 * bits, ssim);
            return (bits < 0 && ssim >= -SsimAllowance) || (bits <= SameSize && ssim > 0);
        };
        for (const Profile& profile : Profiles) {
            if (skipped(profile))
                continue;
            std::printf("%s: 恒定质量 (中) against %d kbps: mean", profile.Name, profile.KbitPerSecond);
            bool ok = holds(mean(profile.Id, Tool::Ours).Q, mean(profile.Id, Tool::QualityMiddle).Q);
            for (size_t s = 0; s < sources.size(); ++s) {
                std::printf("; %s", sources[s].stem().c_str());
                ok = holds(rows[profile.Id][Tool::Ours][s].Q, rows[profile.Id][Tool::QualityMiddle][s].Q) &&
                     ok;
            }
            std::printf(": %s\n",
                        ok ? "holds"
                           : "FAILS (wants fewer bits at SSIM -0.005 or better, or a better SSIM at "
                             "the same size)");
            allOk = allOk && ok;
        }
    }
    return allOk ? 0 : 1;
}
