#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <memory>

/**
    An editor (or the frame around it) embedded in a window that the host owns (an X11 window id), for the VST 2.4 and LV2
    bindings. While it is open, the host's window thread is the framework's message thread: the
    host's idle requests run the message loop, which paints the editor and runs its timers. When
    it closes, the plug-in's own background message thread takes over again.
*/
class HostedEditor
{
public:
    /** The editor that createEditor makes (on the host's thread, once the event loop is the
        host's), embedded in parentWindow. */
    HostedEditor (const std::function<juce::Component*()>& createEditor, void* parentWindow);
    ~HostedEditor();

    /** Dispatches whatever the message loop has pending; called on the host's idle request. */
    void idle();

    juce::Component* getEditor() const noexcept { return editor.get(); }

private:
    struct EventLoop;
    std::unique_ptr<EventLoop> eventLoop; // first in, last out: it outlives the editor
    std::unique_ptr<juce::Component> editor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostedEditor)
};
