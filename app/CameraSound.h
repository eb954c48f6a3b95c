// The camera sound played after a snapshot: a short shutter click made from
// noise bursts, written as a 16-bit mono WAV file. Made at build time, so the
// program ships a sound of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int CameraSoundRate = 22050;

// The whole WAV file.
std::vector<uint8_t> CameraSoundWav();
// False when the file cannot be written.
bool WriteCameraSound(const std::string& fileName);
