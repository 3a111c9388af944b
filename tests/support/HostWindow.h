#pragma once

// The test host's own X11 window and connection, as a DAW keeps them for the whole session, for
// embedding the module's editor. Needs an X server (Xvfb in CI).

// GoogleTest before Xlib, whose macros (None, Bool, Status) would rename its identifiers.
#include <gtest/gtest.h>

#include "XHostSetup.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

class HostWindow
{
public:
    /** Sets X up as a host first (Xlib's thread support before this first connection). */
    HostWindow()
    {
        setUpXAsAHost();
        display = XOpenDisplay (nullptr);
        if (display == nullptr)
            return;
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

    /** The window's 300 x 600 pixels (RGB), row by row; empty where they cannot be read. */
    std::vector<unsigned long> pixels()
    {
        XSync (display, False);
        XImage* image = XGetImage (display, window, 0, 0, 300, 600, AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        std::vector<unsigned long> result;
        result.reserve (300 * 600);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 300; ++x)
                result.push_back (XGetPixel (image, x, y) & 0xffffff);
        XDestroyImage (image);
        return result;
    }

    /** Distinct colours in the window's pixels, and how many pixels are the host's white. */
    std::pair<size_t, long> colours()
    {
        const auto all = pixels();
        const std::set<unsigned long> seen (all.begin(), all.end());
        return { seen.size(), (long) std::count (all.begin(), all.end(), 0xffffffUL) };
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

/** The top-level menu windows (unmanaged, shown) under the root window. */
inline std::set<::Window> menuWindows (Display* display)
{
    std::set<::Window> menus;
    ::Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes attributes {};
        if (XGetWindowAttributes (display, children[i], &attributes) != 0 && attributes.override_redirect && attributes.map_state == IsViewable)
            menus.insert (children[i]);
    }
    if (children != nullptr)
        XFree (children);
    return menus;
}

/** A right-click at x, y of a window, then a click on an item of the menu it opens, made as a
    user makes them: the X server moves its pointer and presses its buttons (the XTEST
    extension). path holds the item and the number of items of each menu on the way: all but the
    last are submenus, which open as the pointer rests on them. pump (milliseconds) runs the
    editor's event loop meanwhile, until done() or three seconds have passed. False when a menu
    did not open or done() never came true. */
inline bool chooseFromContextMenu (Display* display, ::Window window, int x, int y, const std::vector<std::pair<int, int>>& path,
                                   const std::function<void (int)>& pump, const std::function<bool()>& done)
{
    // A hand never rests quite still: the pointer keeps moving by a pixel, which also wakes an
    // event loop that waits on the connection while Xlib holds events it has read already.
    int nudge = 1;
    const auto pumpWhileMoving = [&] (int milliseconds)
    {
        for (int waited = 0; waited < milliseconds; waited += 50)
        {
            XTestFakeRelativeMotionEvent (display, 0, nudge = -nudge, CurrentTime);
            XFlush (display);
            pump (50);
        }
    };

    auto known = menuWindows (display);
    const auto nextMenu = [&]
    {
        for (int attempt = 0; attempt < 40; ++attempt)
        {
            pumpWhileMoving (50);
            for (const auto candidate : menuWindows (display))
                if (known.count (candidate) == 0)
                {
                    known.insert (candidate);
                    return candidate;
                }
        }
        return ::Window (0);
    };

    int rootX = 0, rootY = 0;
    ::Window child = 0;
    XTranslateCoordinates (display, window, DefaultRootWindow (display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent (display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent (display, Button3, True, CurrentTime);
    XTestFakeButtonEvent (display, Button3, False, CurrentTime);
    XFlush (display);

    for (const auto& [item, items] : path)
    {
        const auto menu = nextMenu();
        if (menu == 0)
            return false;
        // A release within the menu's first moments is not a choice: the pointer waits over the item.
        XWindowAttributes attributes {};
        XGetWindowAttributes (display, menu, &attributes);
        XTestFakeMotionEvent (display, -1, attributes.x + attributes.width / 2,
                              attributes.y + attributes.height * (2 * item + 1) / (2 * items), CurrentTime);
        pumpWhileMoving (400);
    }
    XTestFakeButtonEvent (display, Button1, True, CurrentTime);
    pumpWhileMoving (100);
    XTestFakeButtonEvent (display, Button1, False, CurrentTime);
    for (int attempt = 0; attempt < 60; ++attempt)
    {
        pumpWhileMoving (50);
        if (done())
            return true;
    }
    return false;
}

inline bool chooseFromContextMenu (Display* display, ::Window window, int x, int y, int item, int items,
                                   const std::function<void (int)>& pump, const std::function<bool()>& done)
{
    return chooseFromContextMenu (display, window, x, y, { { item, items } }, pump, done);
}

/** The host's one window and X connection, kept for the whole run as a host keeps its own. */
inline HostWindow& hostWindow()
{
    static HostWindow window;
    return window;
}

/** A host sets up X and opens its own connection and window before it loads plug-ins: a test
    program that loads plug-ins with editors registers this environment. */
struct HostWindowFirst : ::testing::Environment
{
    void SetUp() override { hostWindow(); }
};
