// Video pre-processing of decoded pictures: the custom hook event, which sees
// and may change each picture as a bitmap, or else the frame-hook modules.
#include "loop/FrameHookModule.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

#include <cstring>
#include <exception>
#include <utility>

extern "C" {
#include <libswscale/swscale.h>
}

AVFrame* TCustomFFmpeg::PreprocessVideo(const TInputStream& ist, AVFrame* frame) {
    if (hookState_.Disconnected || (!OnHook && settings_.FrameHooks.empty()))
        return frame;
    // Hooks change the picture in place; the decoder's buffers are not ours to change.
    // The previous picture may still be waiting for its output slots: then the
    // other buffer is free.
    if (hookState_.Frame && !av_frame_is_writable(hookState_.Frame.get()))
        std::swap(hookState_.Frame, hookState_.SpareFrame);
    AVFrame* picture = hookState_.Frame.get();
    if (!picture || picture->width != frame->width || picture->height != frame->height ||
        picture->format != frame->format) {
        hookState_.Frame.reset(av_frame_alloc());
        picture = hookState_.Frame.get();
        if (picture) {
            picture->format = frame->format;
            picture->width = frame->width;
            picture->height = frame->height;
        }
        if (!picture || av_frame_get_buffer(picture, 0) < 0) {
            hookState_.Frame.reset();
            GetLogger().Log(logSender_, llError, "hook buf malloc error.");
            return frame;
        }
    }
    if (av_frame_make_writable(picture) < 0 || av_frame_copy(picture, frame) < 0 ||
        av_frame_copy_props(picture, frame) < 0) {
        GetLogger().Log(logSender_, llError, "hook buf malloc error.");
        return frame;
    }

    if (OnHook) {
        if (!RunCustomHook(ist, picture))
            hookState_.Disconnected = true;
    } else {
        VantoroHookPicture hookPicture{};
        for (int i = 0; i < 4; ++i) {
            hookPicture.data[i] = picture->data[i];
            hookPicture.linesize[i] = picture->linesize[i];
        }
        RunFrameHooks(settings_.FrameHooks, hookPicture, static_cast<AVPixelFormat>(picture->format),
                      picture->width, picture->height, ist.Pts);
    }
    return picture;
}

// False when the hook is to be disconnected (it asked to stop, or a conversion failed).
bool TCustomFFmpeg::RunCustomHook(const TInputStream& ist, AVFrame* picture) {
    const AVPixelFormat format = static_cast<AVPixelFormat>(picture->format);
    if (!FrameToBitmap(hookState_.Converter, picture->data, picture->linesize, format, picture->height,
                       picture->width)) {
        GetLogger().Log(logSender_, llError, "Cannot initialize the toRGB conversion context");
        return false;
    }
    bool update = true;
    bool stopHook = false;
    try {
        OnHook(hookState_.Converter.Bitmap, counters_.FrameCounter, ist.Pts, update, stopHook);
    } catch (const std::exception& e) {
        GetLogger().Log(logSender_, llError, std::string("Error occurs OnCustomHook: ") + e.what());
        update = false;
    }
    if (update) {
        TBitmap24& bitmap = hookState_.Converter.Bitmap;
        if (format == AV_PIX_FMT_BGR24) {
            for (int y = 0; y < picture->height; ++y)
                std::memcpy(picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0],
                            bitmap.Row(y), static_cast<size_t>(picture->width) * 3);
        } else {
            hookState_.Converter.FromRGB = sws_getCachedContext(
                hookState_.Converter.FromRGB, bitmap.Width, bitmap.Height, AV_PIX_FMT_BGR24, picture->width,
                picture->height, format, SWS_BICUBIC, nullptr, nullptr, nullptr);
            if (!hookState_.Converter.FromRGB) {
                GetLogger().Log(logSender_, llError, "Cannot initialize the fromRGB conversion context");
                return false;
            }
            const uint8_t* rows[4] = {bitmap.Bits.data(), nullptr, nullptr, nullptr};
            const int strides[4] = {bitmap.Stride(), 0, 0, 0};
            sws_scale(hookState_.Converter.FromRGB, rows, strides, 0, bitmap.Height, picture->data,
                      picture->linesize);
        }
    }
    return !stopHook;
}
