// A module with a VST 2.4 entry point that returns no effect, for the renderer's error tests.

extern "C" __attribute__ ((visibility ("default"))) void* VSTPluginMain (void*)
{
    return nullptr;
}
