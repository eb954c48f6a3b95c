#include "player/PlayerTypes.h"

const char* PlayStateName(TPlayState state) {
    static const char* const names[] = {"psPlay", "psPause", "psResume", "psStep", "psStop", "psEnd"};
    return state <= psEnd ? names[state] : "?";
}

const char* AudioDriverName(TAudioDriver driver) {
    switch (driver) {
    case adPulseAudio:
        return "pulseaudio";
    case adAlsa:
        return "alsa";
    default:
        return "";
    }
}

const char* VideoDriverName(TVideoDriver driver) {
    switch (driver) {
    case vdX11:
        return "x11";
    case vdWayland:
        return "wayland";
    default:
        return "";
    }
}
