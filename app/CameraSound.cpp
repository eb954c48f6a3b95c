#include "app/CameraSound.h"

#include "media/FileHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr double LengthSeconds = 0.18;
// Two clicks, the shutter opening and closing.
constexpr double ClickStarts[] = {0.0, 0.085};
constexpr double ClickDecay = 0.012; // seconds to fall to 1/e
constexpr double Level = 0.6;        // of full scale

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<uint8_t> CameraSoundWav() {
    const int samples = static_cast<int>(LengthSeconds * CameraSoundRate);
    std::vector<uint8_t> wav;
    wav.reserve(44 + 2 * static_cast<size_t>(samples));
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    putLe(wav, 36 + 2 * static_cast<uint32_t>(samples), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(wav, 16, 4);
    putLe(wav, 1, 2); // PCM
    putLe(wav, 1, 2); // mono
    putLe(wav, CameraSoundRate, 4);
    putLe(wav, CameraSoundRate * 2, 4);
    putLe(wav, 2, 2);
    putLe(wav, 16, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    putLe(wav, 2 * static_cast<uint32_t>(samples), 4);
    // A fixed linear congruential noise: the same file on every build.
    uint32_t noise = 12345;
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / CameraSoundRate;
        double envelope = 0;
        for (double start : ClickStarts) {
            if (t >= start)
                envelope += std::exp(-(t - start) / ClickDecay);
        }
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<double>(noise >> 8) / (1u << 24) * 2.0 - 1.0;
        const double value = std::clamp(Level * envelope * white, -1.0, 1.0);
        putLe(wav, static_cast<uint16_t>(static_cast<int16_t>(value * 32767)), 2);
    }
    return wav;
}

bool WriteCameraSound(const std::string& fileName) {
    const std::vector<uint8_t> wav = CameraSoundWav();
    FilePtr f(std::fopen(fileName.c_str(), "wb"));
    if (!f)
        return false;
    const bool written = std::fwrite(wav.data(), 1, wav.size(), f.get()) == wav.size();
    return std::fclose(f.release()) == 0 && written;
}
