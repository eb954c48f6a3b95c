/* Interface of a frame-hook module: a shared library loaded by path ("vhook")
 * that sees every decoded video picture of a task before it is encoded.
 * A module exports Process, and Configure/Release when it keeps state.
 * Plain C so that modules can be written in C or C++ without our headers. */
#ifndef VANTORO_FRAME_HOOK_API_H
#define VANTORO_FRAME_HOOK_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A decoded picture: up to four planes as the libraries lay them out. */
typedef struct VantoroHookPicture {
    uint8_t* data[4];
    int linesize[4];
} VantoroHookPicture;

/* Called once per use of the module with the words of the option ("module
 * arg1 arg2 ..."; argv[0] is the module path). Stores its own context in
 * *context. Returns 0 on success. */
typedef int (*VantoroHookConfigure)(void** context, int argc, char* argv[]);
/* Changes the picture in place. pixelFormat is the libavutil AVPixelFormat
 * value, pts the picture's time in microseconds. */
typedef void (*VantoroHookProcess)(void* context, VantoroHookPicture* picture, int pixelFormat, int width,
                                   int height, int64_t pts);
/* Frees what Configure made. */
typedef void (*VantoroHookRelease)(void* context);

#ifdef __cplusplus
}
#endif

#endif
