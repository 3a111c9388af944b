// The module's editor in a real X11 window that the test host owns, as a DAW opens it: open,
// idle, close, reopen, and close the plug-in with the editor open. Runs under Xvfb.

#include "ModuleHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

namespace
{
int ignoreXErrors (Display*, XErrorEvent*) { return 0; }

class HostWindow
{
public:
    HostWindow()
    {
        display = XOpenDisplay (nullptr);
        if (display == nullptr)
            return;
        XSetErrorHandler (ignoreXErrors);
        const int screen = DefaultScreen (display);
        window = XCreateSimpleWindow (display, RootWindow (display, screen), 0, 0, 300, 600, 0,
                                      BlackPixel (display, screen), WhitePixel (display, screen));
        XMapWindow (display, window);
        XSync (display, False);
    }

    ~HostWindow()
    {
        if (display != nullptr)
        {
            XDestroyWindow (display, window);
            XCloseDisplay (display);
        }
    }

    int numChildren()
    {
        ::Window root, parent, *children = nullptr;
        unsigned int count = 0;
        XQueryTree (display, window, &root, &parent, &children, &count);
        if (children != nullptr)
            XFree (children);
        return (int) count;
    }

    /** Distinct colours in the window's pixels, and how many pixels are the host's white. */
    std::pair<size_t, long> colours()
    {
        XSync (display, False);
        XImage* image = XGetImage (display, window, 0, 0, 300, 600, AllPlanes, ZPixmap);
        if (image == nullptr)
            return { 0, 0 };
        std::set<unsigned long> seen;
        long white = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 300; ++x)
            {
                const auto pixel = XGetPixel (image, x, y) & 0xffffff;
                seen.insert (pixel);
                white += pixel == 0xffffff ? 1 : 0;
            }
        XDestroyImage (image);
        return { seen.size(), white };
    }

    Display* display = nullptr;
    ::Window window = 0;
};

void idleFor (Plugin& plugin, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds);
    while (std::chrono::steady_clock::now() < end)
    {
        plugin.dispatch (vst2::effEditIdle);
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    }
}
} // namespace

TEST (ModuleEditor, OpensInTheHostWindowClosesAndReopens)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    HostWindow host;
    ASSERT_NE (host.display, nullptr);

    Plugin plugin;
    plugin.resume (44100.0f);
    for (int round = 0; round < 5; ++round)
    {
        ASSERT_EQ (plugin.dispatch (vst2::effEditOpen, 0, 0, reinterpret_cast<void*> (host.window)), 1);
        idleFor (plugin, 300);
        EXPECT_EQ (host.numChildren(), 1);

        // The window shows the editor, not the host's white background.
        const auto [distinct, white] = host.colours();
        EXPECT_LT (white, 300 * 600 / 10) << "round " << round;
        EXPECT_GT (distinct, 1u);

        // Audio keeps running while the editor is open.
        float left[64] = {}, right[64] = {};
        float* channels[] = { left, right };
        plugin.effect->processReplacing (plugin.effect, channels, channels, 64);

        EXPECT_EQ (plugin.dispatch (vst2::effEditClose), 0);
        idleFor (plugin, 50);
        EXPECT_EQ (host.numChildren(), 0) << "round " << round;
    }
}

TEST (ModuleEditor, ClosingThePluginWithItsEditorOpen)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    HostWindow host;
    ASSERT_NE (host.display, nullptr);

    for (int round = 0; round < 3; ++round)
    {
        auto plugin = std::make_unique<Plugin>();
        ASSERT_EQ (plugin->dispatch (vst2::effEditOpen, 0, 0, reinterpret_cast<void*> (host.window)), 1);
        idleFor (*plugin, 100);
        plugin.reset();
        XSync (host.display, False);
        EXPECT_EQ (host.numChildren(), 0);
    }
}
