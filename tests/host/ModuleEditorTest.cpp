// The module's editor in a real X11 window that the test host owns, as a DAW opens it: open,
// idle, close, reopen, and close the plug-in with the editor open. Runs under Xvfb.

#include "HostWindow.h"
#include "ModuleHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

namespace
{
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
