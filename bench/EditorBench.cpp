// What the editor costs to show at each scale a screen may ask for: opening it and drawing it
// the first time (which decodes the double-size artwork and, between 1x and 2x, scales it down),
// and drawing it again. Needs an X server (Xvfb).

#include "MyTestAudioProcessor.h"
#include "MyTestAudioProcessorEditor.h"

#include <benchmark/benchmark.h>

namespace
{
void openAndDraw (benchmark::State& state)
{
    const float scale = (float) state.range (0) / 100.0f;
    MyTestAudioProcessor processor;
    for (auto _ : state)
    {
        // The decoded images stay in the framework's cache between editors, as in a host.
        MyTestAudioProcessorEditor editor (&processor);
        benchmark::DoNotOptimize (editor.createComponentSnapshot (editor.getLocalBounds(), true, scale));
    }
}

void redraw (benchmark::State& state)
{
    const float scale = (float) state.range (0) / 100.0f;
    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    editor.createComponentSnapshot (editor.getLocalBounds(), true, scale);
    for (auto _ : state)
        benchmark::DoNotOptimize (editor.createComponentSnapshot (editor.getLocalBounds(), true, scale));
}
} // namespace

BENCHMARK (openAndDraw)->Arg (100)->Arg (125)->Arg (150)->Arg (200)->Unit (benchmark::kMillisecond);
BENCHMARK (redraw)->Arg (100)->Arg (125)->Arg (150)->Arg (200)->Unit (benchmark::kMillisecond);
int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    // The framework's GUI and message system are up for the whole run and shut down before the
    // program's statics go: its shutdown deletes singletons that other statics' destructors use.
    {
        const juce::ScopedJuceInitialiser_GUI framework;
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
