// Writes the first corpus of the media fuzz targets: a few tiny clips from the
// fixture maker, one per container family the converter meets most.
#include "fixtures/FixtureMaker.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    ClipSpec clip = VideoAndAudioClip(0.3);
    clip.Video[0].Width = 32;
    clip.Video[0].Height = 24;
    clip.Audio[0].SampleRate = 22050;
    clip.Audio[0].Channels = 1;
    ClipSpec audio = AudioOnlyClip(0.3);
    audio.Audio[0].SampleRate = 22050;
    audio.Audio[0].Channels = 1;
    int failed = 0;
    for (const char* name :
         {"seed.avi", "seed.mkv", "seed.mp4", "seed.ts", "seed.mpg", "seed.flv", "seed.wmv"}) {
        try {
            MakeClip(folder + "/" + name, clip);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            ++failed;
        }
    }
    for (const char* name : {"seed.wav", "seed.mp3", "seed.flac", "seed.ogg"}) {
        try {
            MakeClip(folder + "/" + name, audio);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}
