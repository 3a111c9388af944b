#pragma once

// The test host's own X11 window and connection, as a DAW keeps them for the whole session, for
// embedding the module's editor. Needs an X server (Xvfb in CI).

// GoogleTest before Xlib, whose macros (None, Bool, Status) would rename its identifiers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <set>
#include <utility>

inline int ignoreXErrors (Display*, XErrorEvent*) { return 0; }

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
inline HostWindow& hostWindow()
{
    static HostWindow window;
    return window;
}
