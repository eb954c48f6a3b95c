#include "player/SdlDisplay.h"

#include "media/FFmpegLogger.h"
#include "player/PlaybackState.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

namespace {

constexpr const char* WindowCaption = "DOVidera";

} // namespace

TSdlDisplay::~TSdlDisplay() {
    Stop();
}

bool TSdlDisplay::Start(uintptr_t hostWindow) {
    // Plain shared-memory drawing: the GL path of the software renderer costs
    // several times the CPU for the same pictures.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) {
        error_ = SDL_GetError();
        return false;
    }
    started_ = true;
    // Only window events matter to the player; the rest would just pile up.
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    SDL_EventState(SDL_USEREVENT, SDL_IGNORE);
    SDL_EventState(SDL_KEYDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYUP, SDL_IGNORE);
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    if (SDL_GetNumVideoDisplays() < 1) {
        error_ = "SDL_GetVideoInfo() failed"; // the player reports this one as it is
        return false;
    }
    host_ = hostWindow;
    if (host_) {
        window_ = SDL_CreateWindowFrom(reinterpret_cast<void*>(host_));
        if (!window_) {
            error_ = SDL_GetError();
            return false;
        }
        watchHostWindow();
        GetLogger().LogFmt(nullptr, llDebug, "using video driver: %s\n", SDL_GetCurrentVideoDriver());
    }
    return true;
}

// SDL does not ask for the size, expose and click notices of a window it did not
// make; select them on its own X connection so that they reach the player.
void TSdlDisplay::watchHostWindow() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!x11)
        return;
    using SelectInput = int (*)(Display*, Window, long);
    using GetAttributes = int (*)(Display*, Window, XWindowAttributes*);
    using Flush = int (*)(Display*);
    auto selectInput = reinterpret_cast<SelectInput>(dlsym(x11, "XSelectInput"));
    auto getAttributes = reinterpret_cast<GetAttributes>(dlsym(x11, "XGetWindowAttributes"));
    auto flush = reinterpret_cast<Flush>(dlsym(x11, "XFlush"));
    if (selectInput && getAttributes && flush) {
        XWindowAttributes attributes{};
        getAttributes(info.info.x11.display, info.info.x11.window, &attributes);
        long mask = attributes.your_event_mask | StructureNotifyMask | ExposureMask;
        // Clicks, so that a click gives the host the focus. X lets only one client
        // take them; a host that takes them itself (a toolkit's widget) already
        // sets its own focus on a click.
        if (!(attributes.all_event_masks & ButtonPressMask))
            mask |= ButtonPressMask;
        selectInput(info.info.x11.display, info.info.x11.window, mask);
        flush(info.info.x11.display);
    }
    dlclose(x11);
}

void TSdlDisplay::freeSurface() {
    if (texture_)
        SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
}

void TSdlDisplay::Stop() {
    freeSurface();
    if (window_)
        SDL_DestroyWindow(window_);
    window_ = nullptr;
    if (started_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    started_ = false;
    width_ = height_ = 0;
}

void TSdlDisplay::HostSize(int& width, int& height) const {
    width = height = 0;
    if (host_ && window_)
        SDL_GetWindowSize(window_, &width, &height);
}

uint32_t TSdlDisplay::WindowId() const {
    return window_ ? SDL_GetWindowID(window_) : 0;
}

bool TSdlDisplay::SetMode(int width, int height) {
    if (!started_) {
        error_ = "video not started";
        return false;
    }
    if (!window_) {
        window_ = SDL_CreateWindow(WindowCaption, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                   height, SDL_WINDOW_RESIZABLE);
        if (!window_) {
            error_ = SDL_GetError();
            return false;
        }
    } else if (!host_) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        if (w != width || h != height)
            SDL_SetWindowSize(window_, width, height);
    }
    if (!renderer_) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) {
            error_ = SDL_GetError();
            return false;
        }
    }
    if (host_) {
        // The host decides its size; draw into whatever it has now.
        SDL_GetRendererOutputSize(renderer_, &width_, &height_);
        if (width_ <= 0 || height_ <= 0) {
            width_ = width;
            height_ = height;
        }
    } else {
        width_ = width;
        height_ = height;
    }
    return true;
}

void TSdlDisplay::ShowPicture(const YuvOverlay& picture, const TDisplayRect& rect) {
    if (!renderer_)
        return;
    if (!texture_ || textureWidth_ != picture.Width || textureHeight_ != picture.Height) {
        if (texture_)
            SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                     picture.Width, picture.Height);
        textureWidth_ = texture_ ? picture.Width : 0;
        textureHeight_ = texture_ ? picture.Height : 0;
        if (!texture_)
            return;
    }
    SDL_UpdateYUVTexture(texture_, nullptr, picture.Planes[0], picture.Pitches[0], picture.Planes[1],
                         picture.Pitches[1], picture.Planes[2], picture.Pitches[2]);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect target{rect.X, rect.Y, rect.W, rect.H};
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    SDL_RenderPresent(renderer_);
}

void TSdlDisplay::ShowShapes(const std::vector<TDisplayRect>& white) {
    if (!renderer_)
        return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_SetRenderDrawColor(renderer_, 255, 255, 255, 255);
    rects_.resize(white.size());
    for (size_t i = 0; i < white.size(); ++i)
        rects_[i] = SDL_Rect{white[i].X, white[i].Y, white[i].W, white[i].H};
    SDL_RenderFillRects(renderer_, rects_.data(), static_cast<int>(rects_.size()));
    SDL_RenderPresent(renderer_);
}
