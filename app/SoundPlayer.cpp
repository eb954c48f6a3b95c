#include "app/SoundPlayer.h"

#include <SDL.h>
#include <cstdint>

namespace {

constexpr int DrainMarginMs = 200; // the device's own buffer still plays after the queue is empty

} // namespace

TSoundPlayer::~TSoundPlayer() {
    if (timer_)
        SDL_RemoveTimer(timer_);
    if (device_)
        SDL_CloseAudioDevice(device_);
    if (started_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
}

bool TSoundPlayer::load(const std::string& wavFile) {
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(wavFile.c_str(), &spec, &buffer, &length)) {
        error_ = SDL_GetError();
        return false;
    }
    samples_.assign(buffer, buffer + length);
    SDL_FreeWAV(buffer);
    const bool sameFormat =
        device_ && spec.freq == spec_.freq && spec.format == spec_.format && spec.channels == spec_.channels;
    if (device_ && !sameFormat) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    spec_ = spec;
    const int frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
    lengthMs_ = frameBytes > 0 ? static_cast<int>(1000LL * length / frameBytes / spec.freq) : 0;
    loadedFile_ = wavFile;
    return true;
}

Uint32 TSoundPlayer::pauseWhenDone(Uint32, void* device) {
    // SDL's timer thread. It gets the device's id, not the player, so nothing of
    // ours is shared; a device closed meanwhile makes this call a no-op.
    SDL_PauseAudioDevice(static_cast<SDL_AudioDeviceID>(reinterpret_cast<uintptr_t>(device)), 1);
    return 0;
}

bool TSoundPlayer::Play(const std::string& wavFile) {
    if (!started_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER) < 0) {
            error_ = SDL_GetError();
            return false;
        }
        started_ = true;
    }
    if (wavFile != loadedFile_ && !load(wavFile))
        return false;
    if (!device_) {
        SDL_AudioSpec wanted = spec_;
        wanted.callback = nullptr; // queued samples
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
        if (!device_) {
            error_ = SDL_GetError();
            return false;
        }
    }
    if (timer_)
        SDL_RemoveTimer(timer_);
    SDL_ClearQueuedAudio(device_);
    if (SDL_QueueAudio(device_, samples_.data(), static_cast<Uint32>(samples_.size())) < 0) {
        error_ = SDL_GetError();
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    timer_ = SDL_AddTimer(static_cast<Uint32>(lengthMs_ + DrainMarginMs), &TSoundPlayer::pauseWhenDone,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(device_)));
    return true;
}
