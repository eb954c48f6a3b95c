// Build step: writes the camera sound into the program's "sounds" folder.
#include "app/CameraSound.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    if (!WriteCameraSound(argv[1])) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
