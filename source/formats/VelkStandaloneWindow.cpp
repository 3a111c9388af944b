#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "VelkStandaloneWindow.h"

#include "EditorFrame.h"
#include "VelkFormatEditor.h"

VelkStandaloneWindow::VelkStandaloneWindow (const juce::String& title, juce::Colour backgroundColour, juce::PropertySet* settings)
    : juce::StandaloneFilterWindow (title, backgroundColour, settings, false)
{
    getDeviceManager().addChangeListener (this);
    updateNotice();
}

VelkStandaloneWindow::~VelkStandaloneWindow()
{
    getDeviceManager().removeChangeListener (this);
}

EditorFrame* VelkStandaloneWindow::getFrame() const
{
    auto* processor = getAudioProcessor();
    auto* editor = processor != nullptr ? dynamic_cast<VelkFormatEditor*> (processor->getActiveEditor()) : nullptr;
    return editor != nullptr ? &editor->getFrame() : nullptr;
}

void VelkStandaloneWindow::buttonClicked (juce::Button*)
{
    // The framework's own items keep their numbers, which its handleMenuResult takes.
    juce::PopupMenu menu;
    menu.addItem (1, TRANS ("Audio/MIDI Settings..."));
    menu.addSeparator();
    menu.addItem (2, TRANS ("Save current state..."));
    menu.addItem (3, TRANS ("Load a saved state..."));
    menu.addSeparator();
    menu.addItem (4, TRANS ("Reset to default state"));
    if (auto* processor = getAudioProcessor())
    {
        // The factory presets.
        juce::PopupMenu presets;
        for (int index = 0; index < processor->getNumPrograms(); ++index)
        {
            juce::PopupMenu::Item item (processor->getProgramName (index));
            item.setTicked (index == processor->getCurrentProgram());
            item.setAction ([processor, index]
                            { processor->setCurrentProgram (index); });
            presets.addItem (item);
        }
        menu.addSeparator();
        menu.addSubMenu ("Presets", presets);
    }
    if (auto* frame = getFrame())
    {
        menu.addSeparator();
        menu.addSubMenu ("Zoom", frame->createZoomMenu());
    }
    menu.showMenuAsync (juce::PopupMenu::Options(), juce::ModalCallbackFunction::forComponent (menuChosen, this));
}

void VelkStandaloneWindow::menuChosen (int result, VelkStandaloneWindow* window)
{
    if (window == nullptr || result == 0)
        return;
    window->handleMenuResult (result);
    // "Reset to default state" makes a new editor, which is told about the device again.
    window->updateNotice();
}

void VelkStandaloneWindow::resized()
{
    juce::StandaloneFilterWindow::resized();
    // The framework repaints a window that grows before its native window has the new size, so
    // the part the zoom or the notice adds would stay unpainted.
    repaint();
}

void VelkStandaloneWindow::changeListenerCallback (juce::ChangeBroadcaster*)
{
    updateNotice();
}

void VelkStandaloneWindow::updateNotice()
{
    if (auto* frame = getFrame())
        frame->setNotice (getDeviceManager().getCurrentAudioDevice() == nullptr ? noDeviceNotice : "");
}

void VelkStandaloneWindow::publishWindowName()
{
    auto* windowSystem = juce::XWindowSystem::getInstance();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    const auto window = (::Window) getWindowHandle();
    if (display == nullptr || window == 0)
        return;

    auto* x11 = juce::X11Symbols::getInstance();
    const juce::XWindowSystemUtilities::ScopedXLock xLock;
    const auto name = getName().toUTF8();
    const auto utf8 = x11->xInternAtom (display, "UTF8_STRING", False);
    for (const auto* property : { "_NET_WM_NAME", "_NET_WM_ICON_NAME" })
        x11->xChangeProperty (display, window, x11->xInternAtom (display, property, False), utf8, 8, PropModeReplace,
                              reinterpret_cast<const unsigned char*> (name.getAddress()), (int) std::strlen (name.getAddress()));
    x11->xFlush (display);
}
