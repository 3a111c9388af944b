#pragma once

#include <juce_events/juce_events.h>

/** Runs the message loop for a while, so that asynchronous work (the editor's updates, the
    hosts' parameter traffic) is done. */
inline void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
