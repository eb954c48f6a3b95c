// The player inside a host window of a real X server (Xvfb in the test command):
// it draws into the window, a close request does not close it, and a click gives
// it the focus. Skipped when no X display can be opened.
#include "PlayerFixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <array>
#include <dlfcn.h>

using namespace std::chrono_literals;

namespace {

// The few Xlib calls the test makes, bound at run time: the test program does not
// link the X library, SDL loads it itself.
struct XLib {
    void* Handle = nullptr;
    Display* (*OpenDisplay)(const char*) = nullptr;
    int (*CloseDisplay)(Display*) = nullptr;
    Window (*RootWindowOf)(Display*) = nullptr;
    Window (*CreateSimpleWindow)(Display*, Window, int, int, unsigned, unsigned, unsigned, unsigned long,
                                 unsigned long) = nullptr;
    int (*MapWindow)(Display*, Window) = nullptr;
    int (*DestroyWindow)(Display*, Window) = nullptr;
    int (*Sync)(Display*, Bool) = nullptr;
    XImage* (*GetImage)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
    Atom (*InternAtom)(Display*, const char*, Bool) = nullptr;
    Status (*SendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
    int (*GetInputFocus)(Display*, Window*, int*) = nullptr;
    int (*SetInputFocus)(Display*, Window, int, Time) = nullptr;
    Status (*GetWindowAttributes)(Display*, Window, XWindowAttributes*) = nullptr;

    template <class F> bool bind(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(Handle, name));
        return f != nullptr;
    }
    bool Load() {
        Handle = dlopen("libX11.so.6", RTLD_NOW);
        return Handle && bind(OpenDisplay, "XOpenDisplay") && bind(CloseDisplay, "XCloseDisplay") &&
               bind(RootWindowOf, "XDefaultRootWindow") && bind(CreateSimpleWindow, "XCreateSimpleWindow") &&
               bind(MapWindow, "XMapWindow") && bind(DestroyWindow, "XDestroyWindow") &&
               bind(Sync, "XSync") && bind(GetImage, "XGetImage") && bind(InternAtom, "XInternAtom") &&
               bind(SendEvent, "XSendEvent") && bind(GetInputFocus, "XGetInputFocus") &&
               bind(SetInputFocus, "XSetInputFocus") && bind(GetWindowAttributes, "XGetWindowAttributes");
    }
    ~XLib() {
        if (Handle)
            dlclose(Handle);
    }
};

class HostWindowTest : public PlayerFixture {
protected:
    void SetUp() override {
        if (!x.Load() || !(display = x.OpenDisplay(nullptr)))
            GTEST_SKIP() << "no X display";
        PlayerFixture::SetUp();
        // This test wants SDL's X11 video; the others run offscreen.
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        savedDriver = driver ? driver : "";
        player->SetVideoDriver(vdX11);
        window = x.CreateSimpleWindow(display, x.RootWindowOf(display), 0, 0, Width, Height, 0, 0, 0);
        x.MapWindow(display, window);
        x.Sync(display, False);
    }
    void TearDown() override {
        if (!display)
            return;
        PlayerFixture::TearDown();
        x.DestroyWindow(display, window);
        x.CloseDisplay(display);
        if (savedDriver.empty())
            unsetenv("SDL_VIDEODRIVER");
        else
            setenv("SDL_VIDEODRIVER", savedDriver.c_str(), 1);
    }

    // Red, green and blue of a pixel of the host window as the X server has it.
    std::array<int, 3> Pixel(int px, int py) {
        x.Sync(display, False);
        XImage* image = x.GetImage(display, window, px, py, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return {-1, -1, -1};
        const unsigned long p = image->f.get_pixel(image, 0, 0);
        image->f.destroy_image(image);
        return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
                static_cast<int>(p & 0xff)};
    }

    static constexpr int Width = 320;
    static constexpr int Height = 240;
    XLib x;
    Display* display = nullptr;
    Window window = 0;
    std::string savedDriver;
};

// Pictures white all through, 16:9 in a 4:3 window: a band above and below.
ClipSpec whiteWideClip() {
    ClipSpec spec = VideoAndAudioClip(3.0);
    spec.Format = "mp4";
    spec.Video.front().Width = 96;
    spec.Video.front().Height = 54;
    for (int64_t t = 0; t < 3000000; t += 40000)
        spec.Video.front().MarksUs.push_back(t);
    return spec;
}

} // namespace

TEST_F(HostWindowTest, DrawsInsideTheHostAndKeepsItOpenAndFocusedOnAClick) {
    const auto file = MakeFile("white.mp4", whiteWideClip());
    ASSERT_TRUE(player->Open(file, window, false)) << player->LastError();
    ASSERT_TRUE(PollUntil([&] { return player->DisplayStats().Pictures > 3; }, 3s));
    player->SyncWithEventLoop();

    // 96 × 54 in 320 × 240: 320 × 180, 30 pixels from the top.
    const TDisplayStats stats = player->DisplayStats();
    EXPECT_EQ(stats.LastWidth, Width);
    EXPECT_EQ(stats.LastHeight, 180);
    EXPECT_EQ(stats.LastY, 30);
    for (int channel : Pixel(Width / 2, Height / 2))
        EXPECT_GT(channel, 200) << "the picture is in the host window";
    for (int channel : Pixel(Width / 2, 10))
        EXPECT_LT(channel, 40) << "nothing drawn above the picture";

    // A close request, as a window manager sends it, reaching SDL too.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = x.InternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(x.InternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    x.SendEvent(display, window, False, StructureNotifyMask | ExposureMask, &close);
    x.Sync(display, False);
    const int shown = player->DisplayStats().Pictures;
    Serve(300ms);
    EXPECT_TRUE(player->IsOpen()) << "a close request to the host does not close the playback";
    EXPECT_FALSE(Saw(psStop));
    EXPECT_GT(player->DisplayStats().Pictures, shown) << "and it goes on playing";
    XWindowAttributes attributes{};
    EXPECT_NE(x.GetWindowAttributes(display, window, &attributes), 0) << "the host window is still there";

    // A click into the host gives it the focus.
    x.SetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    x.Sync(display, False);
    XEvent click{};
    click.xbutton.type = ButtonPress;
    click.xbutton.window = window;
    click.xbutton.root = x.RootWindowOf(display);
    click.xbutton.x = Width / 2;
    click.xbutton.y = Height / 2;
    click.xbutton.button = Button1;
    click.xbutton.same_screen = True;
    x.SendEvent(display, window, False, ButtonPressMask, &click);
    x.Sync(display, False);
    const bool focused = PollUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            x.GetInputFocus(display, &focus, &revert);
            return focus == window;
        },
        2s);
    EXPECT_TRUE(focused);
}
