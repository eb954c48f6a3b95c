/* A frame-hook module for the tests. Configure takes one word: the value every
 * luma sample is set to ("refuse" makes Configure fail). Built three times:
 * complete, without Configure, and without Process, to show how each is met. */
#include "engine/FrameHookApi.h"

#include <stdlib.h>
#include <string.h>

typedef struct {
    int Luma;
} HookContext;

#ifndef TEST_HOOK_WITHOUT_CONFIGURE
int Configure(void** context, int argc, char* argv[]) {
    if (argc > 1 && strcmp(argv[1], "refuse") == 0) {
        return 1;
    }
    HookContext* hook = malloc(sizeof *hook);
    if (!hook) {
        return 1;
    }
    hook->Luma = argc > 1 ? atoi(argv[1]) : 255;
    *context = hook;
    return 0;
}
#endif

#ifndef TEST_HOOK_WITHOUT_PROCESS
void Process(void* context, VantoroHookPicture* picture, int pixelFormat, int width, int height,
             int64_t pts) {
    (void)pixelFormat;
    const HookContext* hook = context;
    const int luma = hook ? hook->Luma : 16;
    for (int y = 0; y < height; ++y) {
        memset(picture->data[0] + y * picture->linesize[0], luma, (size_t)width);
    }
    /* the time reaches the module: the first chroma sample carries its low byte */
    picture->data[1][0] = (uint8_t)(pts & 0xFF);
}
#endif

void Release(void* context) {
    free(context);
}
