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

    ::Window firstChild()
    {
        ::Window root, parent, *children = nullptr, child = 0;
        unsigned int count = 0;
        XQueryTree (display, window, &root, &parent, &children, &count);
        if (children != nullptr)
        {
            child = count > 0 ? children[0] : 0;
            XFree (children);
        }
        return child;
    }

    /** A mouse drag inside the editor's window, as the X server would report it. */
    void drag (int x, int y, int dy)
    {
        const ::Window target = firstChild();
        XEvent event {};
        event.xbutton.display = display;
        event.xbutton.window = target;
        event.xbutton.root = DefaultRootWindow (display);
        event.xbutton.same_screen = True;
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.button = Button1;
        event.type = ButtonPress;
        XSendEvent (display, target, True, ButtonPressMask, &event);
        for (int step = 1; step <= 4; ++step)
        {
            XEvent motion {};
            motion.type = MotionNotify;
            motion.xmotion.display = display;
            motion.xmotion.window = target;
            motion.xmotion.root = event.xbutton.root;
            motion.xmotion.same_screen = True;
            motion.xmotion.x = x;
            motion.xmotion.y = y + dy * step / 4;
            motion.xmotion.state = Button1Mask;
            XSendEvent (display, target, True, PointerMotionMask, &motion);
        }
        event.type = ButtonRelease;
        event.xbutton.y = y + dy;
        event.xbutton.state = Button1Mask;
        XSendEvent (display, target, True, ButtonReleaseMask, &event);
        XFlush (display);
    }

    Display* display = nullptr;
    ::Window window = 0;
};

/** The host's one window and X connection, kept for the whole run as a host keeps its own. */
HostWindow& hostWindow()
{
    static HostWindow window;
    return window;
}

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
    auto& host = hostWindow();
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
        plugin.process (channels, channels, 64);

        EXPECT_EQ (plugin.dispatch (vst2::effEditClose), 0);
        idleFor (plugin, 50);
        EXPECT_EQ (host.numChildren(), 0) << "round " << round;
    }
}

TEST (ModuleEditor, ClosingThePluginWithItsEditorOpen)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
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

TEST (ModuleEditor, KnobDragsReachTheHostsAutomation)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
    ASSERT_NE (host.display, nullptr);

    Plugin plugin;
    ASSERT_EQ (plugin.dispatch (vst2::effEditOpen, 0, 0, reinterpret_cast<void*> (host.window)), 1);
    idleFor (plugin, 300);
    plugin.takeAutomations();

    // Drag the Output knob (at 107, 434, 128 x 128) upwards.
    const float before = plugin.getParameter (3);
    host.drag (171, 498, -60);
    idleFor (plugin, 300);

    const auto automations = plugin.takeAutomations();
    ASSERT_FALSE (automations.empty());
    const auto& last = automations.back();
    EXPECT_EQ (last.index, 3);
    EXPECT_GT (plugin.getParameter (3), before);
    EXPECT_EQ (last.value, plugin.getParameter (3));
    plugin.dispatch (vst2::effEditClose);
}
