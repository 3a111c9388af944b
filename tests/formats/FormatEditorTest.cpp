// The editor of the VST3 build as a host embeds it, and the standalone application
// as a user starts and closes it, under the test's X server.

#include "BinaryData.h"
#include "FormatHost.h"
#include "HostWindow.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

using namespace formathost;

namespace
{
/** The deepest window under `window` (itself included) that matches, or 0. */
Window findWindow (Display* display, Window window, const std::function<bool (Window)>& matches)
{
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned int numChildren = 0;
    if (XQueryTree (display, window, &root, &parent, &children, &numChildren) != 0)
    {
        for (unsigned int i = 0; i < numChildren && found == 0; ++i)
            found = findWindow (display, children[i], matches);
        if (children != nullptr)
            XFree (children);
    }
    return found != 0 || ! matches (window) ? found : window;
}

/** A window titled name (the title's bytes, whatever their encoding: the framework writes UTF-8). */
Window findWindow (Display* display, const char* name)
{
    return findWindow (display, DefaultRootWindow (display), [&] (Window window)
                       {
                           XTextProperty title {};
                           if (XGetWMName (display, window, &title) == 0 || title.value == nullptr)
                               return false;
                           const bool matches = title.nitems == std::strlen (name) && std::memcmp (title.value, name, title.nitems) == 0;
                           XFree (title.value);
                           return matches; });
}

/** The deepest window of this size under `window`, or 0. */
Window findWindowOfSize (Display* display, Window window, int width, int height)
{
    return findWindow (display, window, [&] (Window candidate)
                       {
                           XWindowAttributes attributes {};
                           return XGetWindowAttributes (display, candidate, &attributes) != 0 && attributes.width == width && attributes.height == height; });
}

/** Asks a window to close, as a window manager does when the user clicks its close button. */
void sendDeleteWindow (Display* display, Window window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom (display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long) XInternAtom (display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent (display, window, False, NoEventMask, &event);
    XFlush (display);
}
} // namespace

TEST (Vst3Editor, EmbeddedEditorOpensClosesAndReopens)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    ASSERT_TRUE (instance->hasEditor());
    instance->prepareToPlay (48000.0, 512);

    for (int round = 0; round < 3; ++round)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr) << "round " << round;

        juce::DocumentWindow window ("host", juce::Colours::black, 0);
        window.setContentNonOwned (editor.get(), true);
        window.setVisible (true);
        pumpMessages (300);

        // The plug-in's own 300 x 600 panel, embedded in the host's window.
        EXPECT_EQ (editor->getWidth(), 300) << "round " << round;
        EXPECT_EQ (editor->getHeight(), 600) << "round " << round;
        EXPECT_TRUE (editor->isShowing());

        window.clearContentComponent();
        editor = nullptr;
        pumpMessages (100);
    }
    instance->releaseResources();
}

TEST (Vst3Editor, HostScaleAndUserZoomResizeTheView)
{
    // The user's zoom lives in their settings file; a damaged one means 100 %.
    unsetenv ("XDG_CONFIG_HOME");
    const auto settings = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".config/VELK/editor.conf");
    ASSERT_TRUE (settings.getParentDirectory().createDirectory());
    ASSERT_TRUE (settings.replaceWithText ("zoom=15\x01\n"));
    Display* display = XOpenDisplay (nullptr);
    ASSERT_NE (display, nullptr);

    auto instance = load();
    ASSERT_NE (instance, nullptr);
    std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
    juce::DocumentWindow window ("host", juce::Colours::black, 0);
    window.setContentNonOwned (editor.get(), true);
    window.setTopLeftPosition (0, 0);
    window.setVisible (true);
    pumpMessages (300);
    EXPECT_EQ (editor->getWidth(), 300);
    EXPECT_EQ (editor->getHeight(), 600);

    // The host's scale 2: the panel is the double-size artwork's own pixels (here beside the
    // Release knob, under no control).
    editor->setScaleFactor (2.0f);
    pumpMessages (300);
    ASSERT_EQ (editor->getWidth(), 600);
    ASSERT_EQ (editor->getHeight(), 1200);
    const auto pluginWindow = findWindowOfSize (display, (Window) (juce::pointer_sized_uint) window.getWindowHandle(), 600, 1200);
    ASSERT_NE (pluginWindow, 0u);
    const auto panel = juce::ImageCache::getFromMemory (BinaryData::VELKBodyBG_2x_png, BinaryData::VELKBodyBG_2x_pngSize);
    XImage* pixels = XGetImage (display, pluginWindow, 480, 600, 110, 300, AllPlanes, ZPixmap);
    ASSERT_NE (pixels, nullptr);
    for (int y = 0; y < 300; y += 3)
        for (int x = 0; x < 110; x += 3)
            ASSERT_EQ (XGetPixel (pixels, x, y) & 0xffffff, panel.getPixelAt (480 + x - 4, 600 + y - 2).getARGB() & 0xffffff) << x << ", " << y;
    XDestroyImage (pixels);

    // A right-click on the panel and "Zoom 150 %": the view asks the host for 2 x 150 %.
    ASSERT_TRUE (chooseFromContextMenu (display, pluginWindow, 2 * 270, 2 * 300, 2, 5, pumpMessages,
                                        [&]
                                        { return editor->getWidth() != 600; }));
    EXPECT_EQ (editor->getWidth(), 900);
    EXPECT_EQ (editor->getHeight(), 1800);
    EXPECT_EQ (settings.loadFileAsString().trim(), "zoom=150");

    // The part the zoom adds is painted: the panel there is never pure black.
    pumpMessages (300);
    const auto grown = findWindowOfSize (display, (Window) (juce::pointer_sized_uint) window.getWindowHandle(), 900, 1800);
    ASSERT_NE (grown, 0u);
    XImage* added = XGetImage (display, grown, 700, 700, 100, 100, AllPlanes, ZPixmap);
    ASSERT_NE (added, nullptr);
    int black = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            black += (XGetPixel (added, x, y) & 0xffffff) == 0 ? 1 : 0;
    XDestroyImage (added);
    EXPECT_LT (black, 100);

    // A new view opens at the zoom the user chose.
    window.clearContentComponent();
    editor = nullptr;
    editor.reset (instance->createEditorIfNeeded());
    window.setContentNonOwned (editor.get(), true);
    pumpMessages (200);
    EXPECT_EQ (editor->getWidth(), 450);
    EXPECT_EQ (editor->getHeight(), 900);

    window.clearContentComponent();
    editor = nullptr;
    settings.deleteFile();
    XCloseDisplay (display);
}

TEST (StandaloneApp, StartsWithoutASoundCardShowsTheEditorAndQuitsWhenItsWindowCloses)
{
    Display* display = XOpenDisplay (nullptr);
    ASSERT_NE (display, nullptr) << "no X display";

    // A fresh user: no settings from an earlier run.
    juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".config/VELK.settings").deleteFile();

    // A desktop's window manager has made the window-manager atoms before any application starts;
    // the framework looks them up without creating them.
    const Atom deleteWindow = XInternAtom (display, "WM_DELETE_WINDOW", False);
    XInternAtom (display, "WM_PROTOCOLS", False);
    XSync (display, False);

    // A desktop scaled by GTK's variable, which the framework does not read.
    juce::ChildProcess app;
    setenv ("GDK_SCALE", "2", 1);
    const bool started = app.start (juce::StringArray { VELK_STANDALONE_PATH }, 0);
    unsetenv ("GDK_SCALE");
    ASSERT_TRUE (started);
    // Whatever fails below, the application does not outlive the test.
    const auto cleanUp = [&]
    {
        if (app.isRunning())
            app.kill();
        XCloseDisplay (display);
    };
    struct AtExit
    {
        std::function<void()> run;
        ~AtExit() { run(); }
    } atExit { cleanUp };

    Window window = 0;
    for (int attempt = 0; attempt < 200 && window == 0 && app.isRunning(); ++attempt)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
        window = findWindow (display, "VELK");
    }
    ASSERT_NE (window, 0u) << "the application showed no window titled VELK";

    // The window holds the editor at twice its size (the 300 x 600 panel at least) and carries
    // its name for window managers.
    std::this_thread::sleep_for (std::chrono::milliseconds (500));
    XWindowAttributes attributes {};
    ASSERT_NE (XGetWindowAttributes (display, window, &attributes), 0);
    EXPECT_GE (attributes.width, 600);
    EXPECT_GE (attributes.height, 1200);
    EXPECT_TRUE (app.isRunning());
    XTextProperty name {};
    ASSERT_NE (XGetTextProperty (display, window, &name, XInternAtom (display, "_NET_WM_NAME", False)), 0);
    EXPECT_EQ (std::string (reinterpret_cast<const char*> (name.value), name.nitems), "VELK");
    XFree (name.value);

    // The window takes part in the close protocol.
    Atom* protocols = nullptr;
    int numProtocols = 0;
    bool takesDelete = false;
    if (XGetWMProtocols (display, window, &protocols, &numProtocols) != 0)
    {
        for (int i = 0; i < numProtocols; ++i)
            takesDelete = takesDelete || protocols[i] == deleteWindow;
        XFree (protocols);
    }
    EXPECT_TRUE (takesDelete);

    sendDeleteWindow (display, window);
    EXPECT_TRUE (app.waitForProcessToFinish (10000)) << "the application did not quit";
    EXPECT_EQ (app.getExitCode(), 0u);

    // The input started unmuted, and the application kept that in its settings.
    const auto settings = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".config/VELK.settings");
    const auto xml = juce::parseXML (settings);
    ASSERT_NE (xml, nullptr) << settings.getFullPathName();
    auto* mute = xml->getChildByAttribute ("name", "shouldMuteInput");
    ASSERT_NE (mute, nullptr);
    EXPECT_EQ (mute->getStringAttribute ("val"), "0");
}
