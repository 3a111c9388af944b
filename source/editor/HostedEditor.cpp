#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "HostedEditor.h"

#include <juce_audio_plugin_client/utility/juce_LinuxMessageThread.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

struct HostedEditor::EventLoop
{
    juce::SharedResourcePointer<juce::HostDrivenEventLoop> loop;
};

HostedEditor::HostedEditor (const std::function<juce::Component*()>& createEditor, void* parentWindow)
    : eventLoop (std::make_unique<EventLoop>())
{
    editor.reset (createEditor());
    if (editor == nullptr)
        return;

    editor->setVisible (false);
    editor->addToDesktop (0, parentWindow);

    // Tell the X server at once, before the host moves or resizes its window.
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    auto* x11 = juce::X11Symbols::getInstance();
    x11->xReparentWindow (display, (::Window) editor->getWindowHandle(), (::Window) (juce::pointer_sized_uint) parentWindow, 0, 0);
    x11->xFlush (display);

    editor->setVisible (true);
}

HostedEditor::~HostedEditor()
{
    // The framework gives each window a colormap of its own and never frees it, which keeps a
    // record in Xlib and a resource in the X server for every editor ever opened. The colormap
    // is read before the window goes and freed after.
    ::Colormap colormap = 0;
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    auto* x11 = juce::X11Symbols::getInstance();
    if (editor != nullptr && display != nullptr)
    {
        XWindowAttributes attributes {};
        if (x11->xGetWindowAttributes (display, (::Window) editor->getWindowHandle(), &attributes) != 0)
            colormap = attributes.colormap;
    }

    editor = nullptr;

    if (colormap != 0 && colormap != x11->xDefaultScreenOfDisplay (display)->cmap)
    {
        const juce::XWindowSystemUtilities::ScopedXLock xLock;
        x11->xFreeColormap (display, colormap);
    }
}

void HostedEditor::idle()
{
    eventLoop->loop->processPendingEvents();

    // Xlib may hold events it has already read from the connection (while painting, say), which
    // the loop's wait on the connection does not see until more arrive: they are handed over here.
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    if (display != nullptr && juce::X11Symbols::getInstance()->xEventsQueued (display, QueuedAlready) > 0)
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (ConnectionNumber (display));
}
