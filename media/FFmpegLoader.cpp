#include "media/FFmpegLoader.h"

#include "media/FFmpegLogger.h"
#include "media/UnicodeProtocol.h"

#include <cassert>
#include <cfenv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <initializer_list>

extern "C" {
#include <libavcodec/version_major.h>
#include <libavfilter/version_major.h>
#include <libavformat/version_major.h>
#include <libavutil/version.h>
#include <libswscale/version_major.h>
}

namespace {

constexpr const char* LibrarySuffix = ".so";
constexpr int NoVersion = -1;
// avdevice is not linked (nothing uses it); its major follows avformat's.
constexpr int AVDeviceVersion = LIBAVFORMAT_VERSION_MAJOR;

struct TLibraryItem {
    TLibraryId id;
    const char* baseName;
    int version;
    // The entry points the rest of the program relies on; all are required.
    std::initializer_list<const char*> entries;
};

// In id order, which is also the binding order.
const TLibraryItem Libraries[LibraryCount] = {
    {libAVCodec,
     "avcodec",
     LIBAVCODEC_VERSION_MAJOR,
     {"avcodec_find_decoder",
      "avcodec_find_decoder_by_name",
      "avcodec_find_encoder",
      "avcodec_find_encoder_by_name",
      "avcodec_alloc_context3",
      "avcodec_parameters_to_context",
      "avcodec_parameters_from_context",
      "avcodec_open2",
      "avcodec_free_context",
      "avcodec_send_packet",
      "avcodec_receive_frame",
      "avcodec_send_frame",
      "avcodec_receive_packet",
      "avcodec_flush_buffers",
      "avcodec_decode_subtitle2",
      "avcodec_encode_subtitle",
      "avcodec_descriptor_get",
      "avcodec_get_name",
      "av_packet_alloc",
      "av_packet_free",
      "av_packet_ref",
      "av_packet_unref",
      "av_bsf_get_by_name",
      "av_bsf_alloc",
      "av_bsf_init",
      "av_bsf_send_packet",
      "av_bsf_receive_packet",
      "av_bsf_free",
      "av_parser_init",
      "av_parser_parse2",
      "av_parser_close",
      "av_get_bits_per_sample",
      "avcodec_string"}},
    {libAVDevice, "avdevice", AVDeviceVersion, {"avdevice_register_all"}},
    {libAVFilter,
     "avfilter",
     LIBAVFILTER_VERSION_MAJOR,
     {"avfilter_get_by_name", "avfilter_graph_alloc", "avfilter_graph_create_filter",
      "avfilter_graph_parse_ptr", "avfilter_graph_config", "avfilter_graph_free", "avfilter_inout_alloc",
      "avfilter_inout_free", "av_buffersrc_add_frame_flags", "av_buffersink_get_frame"}},
    {libAVFormat,
     "avformat",
     LIBAVFORMAT_VERSION_MAJOR,
     {"avformat_alloc_context",
      "avformat_open_input",
      "avformat_find_stream_info",
      "avformat_close_input",
      "av_find_input_format",
      "av_guess_format",
      "avformat_alloc_output_context2",
      "avformat_new_stream",
      "avformat_write_header",
      "av_interleaved_write_frame",
      "av_write_trailer",
      "av_read_frame",
      "av_read_pause",
      "av_read_play",
      "av_seek_frame",
      "avformat_seek_file",
      "avformat_free_context",
      "avio_open2",
      "avio_closep",
      "avio_alloc_context",
      "avio_context_free",
      "avio_size",
      "avio_tell",
      "av_dump_format",
      "av_demuxer_iterate",
      "av_muxer_iterate",
      "av_codec_get_id",
      "av_codec_get_tag",
      "av_sdp_create"}},
    {libAVUtil,
     "avutil",
     LIBAVUTIL_VERSION_MAJOR,
     {"av_log",
      "av_log_default_callback",
      "av_log_get_level",
      "av_log_set_callback",
      "av_log_set_level",
      "av_malloc",
      "av_mallocz",
      "av_free",
      "av_freep",
      "av_strdup",
      "av_dict_get",
      "av_dict_set",
      "av_dict_free",
      "av_opt_find",
      "av_opt_set",
      "av_opt_get",
      "av_rescale",
      "av_rescale_q",
      "av_compare_ts",
      "av_reduce",
      "av_gcd",
      "av_fifo_alloc2",
      "av_fifo_freep2",
      "av_fifo_read",
      "av_fifo_write",
      "av_fifo_can_read",
      "av_frame_alloc",
      "av_frame_free",
      "av_frame_unref",
      "av_pix_fmt_desc_get",
      "av_get_pix_fmt",
      "av_image_get_buffer_size",
      "av_image_fill_arrays",
      "av_gettime"}},
    {libSWScale,
     "swscale",
     LIBSWSCALE_VERSION_MAJOR,
     {"sws_getContext", "sws_getCachedContext", "sws_scale", "sws_freeContext"}},
    {libCRT,
     "c",
     NoVersion,
     {"fclose", "fopen", "fprintf", "fread", "fseek", "ftell", "fwrite", "snprintf", "strtod", "strtok",
      "strtol", "vsnprintf"}},
    {libSDL,
     "SDL2",
     NoVersion,
     {"SDL_Init",
      "SDL_Quit",
      "SDL_GetError",
      "SDL_AddTimer",
      "SDL_RemoveTimer",
      "SDL_OpenAudioDevice",
      "SDL_PauseAudioDevice",
      "SDL_CloseAudioDevice",
      "SDL_MixAudioFormat",
      "SDL_WaitEvent",
      "SDL_PushEvent",
      "SDL_EventState",
      "SDL_CreateWindowFrom",
      "SDL_CreateRenderer",
      "SDL_CreateTexture",
      "SDL_UpdateYUVTexture",
      "SDL_RenderCopy",
      "SDL_RenderPresent",
      "SDL_DestroyTexture",
      "SDL_DestroyRenderer",
      "SDL_DestroyWindow",
      "SDL_CreateMutex",
      "SDL_LockMutex",
      "SDL_UnlockMutex",
      "SDL_DestroyMutex",
      "SDL_CreateCond",
      "SDL_DestroyCond",
      "SDL_CondSignal",
      "SDL_CondWait",
      "SDL_CreateThread",
      "SDL_WaitThread",
      "SDL_GetCurrentAudioDriver",
      "SDL_GetCurrentVideoDriver"}},
};

bool inSet(TLibrarySet set, int id) {
    return (set & LibraryBit(static_cast<TLibraryId>(id))) != 0;
}

template <typename... Args> std::string formatText(const char* format, const Args&... args) {
    char text[1024];
    std::snprintf(text, sizeof text, format, args.c_str()...);
    return text;
}

// Everything is linked into the program: opening and resolving cannot fail, and
// the libraries' own dependencies were settled by the dynamic linker at start-up.
class LinkedLibraryOpener final : public TLibraryOpener {
public:
    bool Open(TLibraryId, const std::string&, std::string&) override { return true; }
    bool Resolve(TLibraryId, const char*, std::string&) override { return true; }
    void Close(TLibraryId) override {}
};

// Masks every floating-point exception and rounds to nearest for the main thread
// and the threads it starts (they inherit the environment), as codec code expects;
// the previous state comes back at exit. On x86-64 this is normally the state
// already, so it costs nothing.
class FloatingPointState {
public:
    FloatingPointState() {
        std::fegetenv(&saved_);
        std::fesetround(FE_TONEAREST);
        fedisableexcept(FE_ALL_EXCEPT);
    }
    ~FloatingPointState() { std::fesetenv(&saved_); }
    FloatingPointState(const FloatingPointState&) = delete;
    FloatingPointState& operator=(const FloatingPointState&) = delete;

private:
    std::fenv_t saved_;
};

} // namespace

std::unique_ptr<TLibraryOpener> MakeLinkedLibraryOpener() {
    return std::make_unique<LinkedLibraryOpener>();
}

TFFmpegLoader::TFFmpegLoader(std::unique_ptr<TLibraryOpener> opener) : opener_(std::move(opener)) {
    assert(opener_);
}

// Libraries are never released at exit; only the opener goes with the loader.
TFFmpegLoader::~TFFmpegLoader() = default;

void TFFmpegLoader::SetLibraryPath(const std::string& directory) {
    libraryPath_ = directory;
}

std::string TFFmpegLoader::LibraryPath() const {
    return libraryPath_;
}

std::string TFFmpegLoader::LibraryFileName(TLibraryId id) const {
    assert(id < LibraryCount);
    const TLibraryItem& item = Libraries[id];
    std::string name = item.baseName;
    if (item.version >= 0)
        name += "-" + std::to_string(item.version);
    return name + LibrarySuffix;
}

bool TFFmpegLoader::resolveEntries(TLibraryId id) {
    std::string reason;
    for (const char* entry : Libraries[id].entries) {
        if (!opener_->Resolve(id, entry, reason)) {
            lastError_ =
                formatText("Load function %s@%s error: %s", std::string(entry), LibraryFileName(id), reason);
            return false;
        }
    }
    // The start-up calls the old libraries needed (registering codecs, filters,
    // formats and devices) happen inside the current ones by themselves.
    return true;
}

bool TFFmpegLoader::BindLibrary(TLibraryId id) {
    assert(id < LibraryCount);
    Status& status = status_[id];
    if (!status.open) {
        const std::string fileName = LibraryFileName(id);
        const auto slash = fileName.rfind('/');
        std::string directory = slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
        const std::string file = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
        if (directory.empty() && !libraryPath_.empty()) {
            directory = libraryPath_;
            if (directory.back() != '/')
                directory += '/';
        }
        // A library found in the directory is opened by its full path; anything else
        // goes through the system's default search by its bare name.
        std::error_code ec;
        const bool inDirectory = !directory.empty() && std::filesystem::is_regular_file(directory + file, ec);
        const std::string target = inDirectory ? directory + file : file;
        std::string reason;
        if (!opener_->Open(id, target, reason)) {
            lastError_ = formatText("Load library %s error: %s", directory + file, reason);
            return false;
        }
        status.open = true;
    }
    if (!status.bound) {
        try {
            status.bound = resolveEntries(id);
        } catch (const std::exception& e) {
            lastError_ = e.what();
        }
    }
    if (!status.bound) {
        ReleaseLibrary(id);
        return false;
    }
    // On every successful call: the log callback or the library's level may have
    // been changed since the first bind.
    if (id == libAVUtil)
        GetLogger().InstallHook();
    else if (id == libAVFormat)
        RegisterUnicodeProtocol();
    return true;
}

bool TFFmpegLoader::BindSet(TLibrarySet set) {
    assert(set != 0);
    TLibrarySet boundHere = 0;
    for (int id = 0; id < LibraryCount; ++id) {
        if (!inSet(set, id))
            continue;
        const auto lib = static_cast<TLibraryId>(id);
        const bool wasBound = IsBound(lib);
        if (!BindLibrary(lib)) {
            if (boundHere != 0)
                ReleaseSet(boundHere);
            return false;
        }
        if (!wasBound)
            boundHere |= LibraryBit(lib);
    }
    return set != 0;
}

bool TFFmpegLoader::IsBound(TLibraryId id) const {
    assert(id < LibraryCount);
    return status_[id].open && status_[id].bound;
}

bool TFFmpegLoader::IsSetBound(TLibrarySet set) const {
    assert(set != 0);
    for (int id = 0; id < LibraryCount; ++id) {
        if (inSet(set, id) && !IsBound(static_cast<TLibraryId>(id)))
            return false;
    }
    return set != 0;
}

void TFFmpegLoader::ReleaseLibrary(TLibraryId id) {
    assert(id < LibraryCount);
    Status& status = status_[id];
    status.bound = false;
    if (status.open) {
        opener_->Close(id);
        status.open = false;
    }
}

void TFFmpegLoader::ReleaseSet(TLibrarySet set) {
    assert(set != 0);
    for (int id = 0; id < LibraryCount; ++id) {
        if (inSet(set, id))
            ReleaseLibrary(static_cast<TLibraryId>(id));
    }
}

std::string TFFmpegLoader::LastError() const {
    return lastError_;
}

TFFmpegLoader& FFmpegLoader() {
    static FloatingPointState floatingPoint;
    static TFFmpegLoader loader;
    return loader;
}

bool LoadLibrarySet(TLibrarySet set, const std::string& directory, std::string& lastError,
                    const TFFBaseComponent* sender, TFFmpegLoader& loader) {
    loader.SetLibraryPath(directory);
    if (loader.BindSet(set))
        return true;
    lastError = loader.LastError();
    GetLogger().Log(sender, llError, lastError);
    return false;
}

bool LibrarySetLoaded(TLibrarySet set, const TFFmpegLoader& loader) {
    return loader.IsSetBound(set);
}

std::mutex& CodecLock() {
    static std::mutex lock;
    return lock;
}

std::string LibraryFolderIn(const std::string& programFolder) {
    return (std::filesystem::path(programFolder) / "LibAV").string();
}
