#include "setup/PassTwoTrial.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace {

// A private option that only the MPEG family's rate control has.
constexpr const char* RateControlEquationOption = "rc_eq";
// How long the child's open may take; it reads no file and makes no thread.
constexpr int TrialLimitMs = 20000;

// Exit status of a child whose open failed without bringing it down.
constexpr int OpenFailedStatus = 1;

[[noreturn]] void TrialInChild(const AVCodecContext* enc, const AVCodec* codec, const AVDictionary* options) {
    // Only what the open needs: no signal handler, log callback or thread of
    // the parent's may run here (their locks may be held by threads that the
    // child does not have).
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    av_log_set_callback(av_log_default_callback);
    av_log_set_level(AV_LOG_QUIET);
    // The child's own copy of the parent's memory: opening the context here
    // changes nothing in the parent.
    auto* ctx = const_cast<AVCodecContext*>(enc);
    ctx->thread_count = 1;
    AVDictionary* copy = nullptr;
    av_dict_copy(&copy, options, 0);
    const int ret = avcodec_open2(ctx, codec, &copy);
    _exit(ret >= 0 ? 0 : OpenFailedStatus);
}

} // namespace

bool UsesMpegRateControl(const AVCodec* encoder) {
    if (!encoder || !encoder->priv_class)
        return false;
    const AVClass* cls = encoder->priv_class;
    return av_opt_find(&cls, RateControlEquationOption, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

TPassTwoTrial TryPassTwoOpen(const AVCodecContext* enc, const AVCodec* codec, const AVDictionary* options) {
    // The write end closes when the child ends, however it ends.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return TPassTwoTrial::Untried;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        TrialInChild(enc, codec, options);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return TPassTwoTrial::Untried;
    }
    pollfd done{ends[0], POLLIN, 0};
    int ready = 0;
    do {
        ready = poll(&done, 1, TrialLimitMs);
    } while (ready < 0 && errno == EINTR);
    close(ends[0]);
    if (ready <= 0)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (ready <= 0)
        return TPassTwoTrial::Untried;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? TPassTwoTrial::Opened : TPassTwoTrial::Refused;
}
