#include "media/GenericOptions.h"

#include "media/FFmpegLogger.h"
#include "media/LegacyOptions.h"

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// Codec contexts by media type, in the order of the library's media types.
constexpr std::array<AVMediaType, OptionContextSet::MediaTypeCount> MediaTypes{
    AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
    AVMEDIA_TYPE_ATTACHMENT};
// The parameter flag that restricts a codec option to a media type (0: any).
constexpr std::array<int, OptionContextSet::MediaTypeCount> MediaTypeFlags{
    AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0, AV_OPT_FLAG_SUBTITLE_PARAM, 0};

int IndexOf(AVMediaType type) {
    for (size_t i = 0; i < MediaTypes.size(); ++i) {
        if (MediaTypes[i] == type) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

struct AvFree {
    void operator()(void* p) const { av_free(p); }
};
using AvString = std::unique_ptr<uint8_t, AvFree>;

bool HasFlags(const AVOption* option, int requiredFlags) {
    return option && (LegacyOptionFlags(option->name, option->flags) & requiredFlags) == requiredFlags;
}

const AVOption* FindPrivate(const AVClass* const* cls, const std::string& name) {
    if (!*cls) {
        return nullptr;
    }
    return av_opt_find2(const_cast<const AVClass**>(cls), name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ,
                        nullptr);
}

enum class PrivateResult { NotFound, Refused, Accepted };

// Checks a name against the private options of every encoder, decoder and
// muxer; the value counts as valid when one of those that have the name takes it.
PrivateResult CheckPrivateOption(const std::string& name, const std::string& value, AVMediaType& type) {
    PrivateResult result = PrivateResult::NotFound;
    void* it = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&it)) {
        if (!FindPrivate(&codec->priv_class, name)) {
            continue;
        }
        PlainCodecContextPtr context(avcodec_alloc_context3(codec));
        if (context && context->priv_data &&
            av_opt_set(context->priv_data, name.c_str(), value.c_str(), 0) >= 0) {
            type = codec->type;
            return PrivateResult::Accepted;
        }
        result = PrivateResult::Refused;
    }
    it = nullptr;
    while (const AVOutputFormat* muxer = av_muxer_iterate(&it)) {
        if (!FindPrivate(&muxer->priv_class, name)) {
            continue;
        }
        AVFormatContext* raw = nullptr;
        avformat_alloc_output_context2(&raw, muxer, nullptr, nullptr);
        FormatContextPtr context(raw);
        if (context && context->priv_data &&
            av_opt_set(context->priv_data, name.c_str(), value.c_str(), 0) >= 0) {
            type = AVMEDIA_TYPE_UNKNOWN;
            return PrivateResult::Accepted;
        }
        result = PrivateResult::Refused;
    }
    return result;
}

// The x264 partitions set so far by this task, for relative legacy values.
std::string PreviousPartitions(const std::vector<TStoredOption>& options) {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->Scope == osPrivate && it->Name == "partitions") {
            return it->Value;
        }
    }
    return {};
}

void LogInvalidValue(const std::string& name, const std::string& value) {
    av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(), name.c_str());
}

// Private options reach a real context directly when its private data is
// there, otherwise through the dictionary handed to the library's open call.
void ReplayPrivate(void* privData, AVDictionary** dictionary, const AVOption* option,
                   const TStoredOption& entry) {
    if (privData) {
        if (av_opt_set(privData, entry.Name.c_str(), entry.Value.c_str(), 0) < 0) {
            // Checked when it was given, but against another codec or muxer: not fatal.
            GetLogger().LogFmt(nullptr, llWarning, "Option \"%s\" = \"%s\" not applied", entry.Name.c_str(),
                               entry.Value.c_str());
        }
        return;
    }
    if (!dictionary) {
        return;
    }
    // Relative flag values add up as they would on the object itself.
    const bool relative = option->type == AV_OPT_TYPE_FLAGS && !entry.Value.empty() &&
                          (entry.Value[0] == '+' || entry.Value[0] == '-');
    av_dict_set(dictionary, entry.Name.c_str(), entry.Value.c_str(), relative ? AV_DICT_APPEND : 0);
}

// Copies the generic option `name` from one option object to another.
void CopyGeneric(void* source, void* target, const std::string& name, int requiredFlags) {
    const AVOption* option = av_opt_find(source, name.c_str(), nullptr, 0, 0);
    if (!HasFlags(option, requiredFlags)) {
        return;
    }
    uint8_t* raw = nullptr;
    if (av_opt_get(source, name.c_str(), 0, &raw) < 0) {
        return;
    }
    AvString text(raw);
    av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(text.get()), 0);
}

// One option under its current name: steps of the generic search, then the private tables.
bool SetCurrentOption(OptionContextSet& set, std::vector<TStoredOption>& options, const std::string& name,
                      const std::string& value) {
    const AVOption* found = nullptr;
    int result = 0;
    TOptionScope scope = osCodec;
    AVMediaType firstType = AVMEDIA_TYPE_UNKNOWN;
    AVCodecContext* video = set.CodecContext(AVMEDIA_TYPE_VIDEO);

    for (size_t i = 0; i < MediaTypes.size() && result >= 0; ++i) {
        const AVOption* option = av_opt_find(video, name.c_str(), nullptr, MediaTypeFlags[i], 0);
        if (option && HasFlags(option, MediaTypeFlags[i])) {
            if (!found) {
                firstType = MediaTypes[i];
            }
            found = option;
            result = av_opt_set(set.CodecContext(MediaTypes[i]), name.c_str(), value.c_str(), 0);
        }
    }
    if (!found) {
        if ((found = av_opt_find(set.FormatContext(), name.c_str(), nullptr, 0, 0))) {
            scope = osFormat;
            result = av_opt_set(set.FormatContext(), name.c_str(), value.c_str(), 0);
        } else if ((found = av_opt_find(set.ScalerContext(), name.c_str(), nullptr, 0, 0))) {
            scope = osScaler;
            result = av_opt_set(set.ScalerContext(), name.c_str(), value.c_str(), 0);
        }
    }
    if (!found && name.size() > 1) {
        const AVMediaType type = name[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                                 : name[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                 : name[0] == 's' ? AVMEDIA_TYPE_SUBTITLE
                                                  : AVMEDIA_TYPE_UNKNOWN;
        if (type != AVMEDIA_TYPE_UNKNOWN) {
            AVCodecContext* context = set.CodecContext(type);
            if ((found = av_opt_find(context, name.c_str() + 1, nullptr, 0, 0))) {
                firstType = type;
                result = av_opt_set(context, name.c_str() + 1, value.c_str(), 0);
            }
        }
    }
    if (found) {
        if (result < 0) {
            LogInvalidValue(name, value);
            return false;
        }
        options.push_back({found->name, value, scope, firstType});
    } else {
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        switch (CheckPrivateOption(name, value, type)) {
        case PrivateResult::NotFound:
            return false;
        case PrivateResult::Refused:
            LogInvalidValue(name, value);
            return false;
        case PrivateResult::Accepted:
            options.push_back({name, value, osPrivate, type});
            break;
        }
    }
    if (video->debug != 0 || set.FormatContext()->debug != 0) {
        GetLogger().SetLogLevel(llDebug);
    }
    return true;
}

} // namespace

OptionContextSet::OptionContextSet(int scalerFlags) {
    InitOptionContexts(*this, scalerFlags);
}

OptionContextSet::~OptionContextSet() = default;

AVCodecContext* OptionContextSet::CodecContext(AVMediaType type) const {
    const int index = IndexOf(type);
    return index < 0 ? nullptr : codecs_[index].get();
}

int OptionContextSet::ScalerFlags() const {
    int64_t flags = 0;
    if (!scaler_ || av_opt_get_int(scaler_.get(), "sws_flags", 0, &flags) < 0) {
        return 0;
    }
    return static_cast<int>(flags);
}

void InitOptionContexts(OptionContextSet& set, int scalerFlags) {
    for (size_t i = 0; i < MediaTypes.size(); ++i) {
        set.codecs_[i].reset(avcodec_alloc_context3(nullptr));
        if (!set.codecs_[i]) {
            throw std::bad_alloc();
        }
        set.codecs_[i]->codec_type = MediaTypes[i];
    }
    set.format_.reset(avformat_alloc_context());
    set.scaler_.reset(sws_alloc_context());
    if (!set.format_ || !set.scaler_) {
        throw std::bad_alloc();
    }
    av_opt_set_int(set.scaler_.get(), "sws_flags", scalerFlags, 0);
    set.options_.clear();
}

void FreeOptionContexts(OptionContextSet& set) {
    for (auto& codec : set.codecs_) {
        codec.reset();
    }
    set.format_.reset();
    set.scaler_.reset();
    set.options_.clear();
}

bool SetGenericOption(OptionContextSet& set, const std::string& rawName, const std::string& rawValue) {
    const std::string name = Trim(rawName);
    const std::string value = Trim(rawValue);
    if (name.empty() || value.empty() || !set.CodecContext(AVMEDIA_TYPE_VIDEO)) {
        return false;
    }
    TLegacyTranslation legacy = TranslateLegacyOption(name, value, PreviousPartitions(set.options_));
    if (!legacy.Translated) {
        return SetCurrentOption(set, set.options_, name, value);
    }
    for (const std::string& dropped : legacy.Dropped) {
        GetLogger().LogFmt(nullptr, llWarning, "Option %s has no equivalent in this library version, ignored",
                           dropped.c_str());
    }
    bool accepted = true;
    for (const TTranslatedOption& option : legacy.Set) {
        accepted = SetCurrentOption(set, set.options_, option.Name, option.Value) && accepted;
    }
    return accepted;
}

void ApplyStoredOptions(const OptionContextSet& set, AVCodecContext* target, AVMediaType mediaType,
                        const AVCodec* codec, int requiredFlags, AVDictionary** privateOptions) {
    AVCodecContext* source = set.CodecContext(mediaType);
    if (!target || !source) {
        return;
    }
    if (!codec) {
        codec = target->codec;
    }
    for (const TStoredOption& entry : set.Options()) {
        if (entry.Scope != osPrivate) {
            CopyGeneric(source, target, entry.Name, requiredFlags);
            continue;
        }
        if (!codec) {
            continue;
        }
        const AVOption* option = FindPrivate(&codec->priv_class, entry.Name);
        if (!HasFlags(option, requiredFlags)) {
            continue; // an option of another encoder
        }
        const bool ownPrivData = target->priv_data && target->codec == codec;
        ReplayPrivate(ownPrivData ? target->priv_data : nullptr, privateOptions, option, entry);
    }
}

void ApplyStoredOptions(const OptionContextSet& set, AVFormatContext* target, int requiredFlags,
                        AVDictionary** privateOptions) {
    AVFormatContext* source = set.FormatContext();
    if (!target || !source) {
        return;
    }
    const AVClass* const* privateClass = target->oformat   ? &target->oformat->priv_class
                                         : target->iformat ? &target->iformat->priv_class
                                                           : nullptr;
    for (const TStoredOption& entry : set.Options()) {
        if (entry.Scope != osPrivate) {
            CopyGeneric(source, target, entry.Name, requiredFlags);
            continue;
        }
        if (!privateClass) {
            continue;
        }
        const AVOption* option = FindPrivate(privateClass, entry.Name);
        if (!HasFlags(option, requiredFlags)) {
            continue;
        }
        ReplayPrivate(target->priv_data, privateOptions, option, entry);
    }
}

void ApplyStoredOptions(const OptionContextSet& set, SwsContext* target, int requiredFlags) {
    SwsContext* source = set.ScalerContext();
    if (!target || !source) {
        return;
    }
    for (const TStoredOption& entry : set.Options()) {
        if (entry.Scope != osPrivate) {
            CopyGeneric(source, target, entry.Name, requiredFlags);
        }
    }
}
