#pragma once

// X as a host sets it up before it loads plug-ins.

// GoogleTest before Xlib, whose macros (None, Bool, Status) would rename its identifiers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

/** An X error handler that lets the process go on where Xlib's own would end it. */
inline int ignoreXErrors (Display*, XErrorEvent*) { return 0; }

/** Sets up X as a host does before it loads plug-ins: Xlib's thread support, which must come
    before any other Xlib call in the process, and an X error handler that does not end the
    process (the framework installs one only in its own applications). The caller then opens the
    host's own connection, before any plug-in opens one. Once per process; later calls do nothing. */
inline void setUpXAsAHost()
{
    [[maybe_unused]] static const bool done = []
    {
        XInitThreads();
        XSetErrorHandler (ignoreXErrors);
        return true;
    }();
}
