# The engine, the embedded artwork and the core library, each compiled once: VELK.so, the VST3,
# LV2 and standalone builds and the tests link the core (which brings the engine); velk-render
# and the engine benchmark link the engine.

configure_file (cmake/VelkVersion.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/VelkVersion.h @ONLY)

#===================================================================================================
# The DSP engine: plain C++, no framework.
add_library (velk_engine STATIC
    source/engine/AtanShapes.cpp
    source/engine/Calibration.cpp
    source/engine/CompressorCore.cpp
    source/engine/GainComputer.cpp
    source/engine/HighPassBiquad.cpp
    source/engine/LevelDetector.cpp
    source/engine/ParameterSnapshot.cpp
    source/engine/ParameterText.cpp
    source/engine/PeakingFilter.cpp
    source/engine/VectorExactMath.cpp
    source/engine/VectorExactMathAvx2.cpp
    source/engine/VectorExactMathAvx512.cpp)
target_include_directories (velk_engine PUBLIC source/engine ${CMAKE_CURRENT_BINARY_DIR}/generated)
# The wider vector paths alone are compiled for AVX2 (and FMA, which SLEEF's AVX2 code uses) and
# for AVX-512F; the engine chooses one at run time, so the library still runs on any x86-64 machine.
set_source_files_properties (source/engine/VectorExactMathAvx2.cpp PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma")
set_source_files_properties (source/engine/VectorExactMathAvx512.cpp PROPERTIES COMPILE_OPTIONS "-mavx512f")
# SLEEF: vector logarithms and powers with documented error bounds.
find_package (PkgConfig REQUIRED)
pkg_check_modules (VELK_SLEEF REQUIRED IMPORTED_TARGET sleef)
target_link_libraries (velk_engine PRIVATE PkgConfig::VELK_SLEEF)
# Aligned functions keep the per-sample code's speed from depending on where the linker puts it.
target_compile_options (velk_engine PRIVATE ${VELK_WARNINGS} -falign-functions=64)
velk_hide_symbols (velk_engine)

#===================================================================================================
# The editor's images, compiled in as byte arrays: each at its own size and at twice it (the
# "_2x" ones, decoded only when the editor is first drawn above its own size).
set (VELK_IMAGES VELKBodyBG bigKnob101 myRatioBtn Dist Hpf bmp00132 meter11_1)
set (velkImageFiles)
foreach (size "" _2x)
    foreach (image ${VELK_IMAGES})
        list (APPEND velkImageFiles ${PROJECT_SOURCE_DIR}/resources/${image}${size}.png)
    endforeach()
endforeach()
juce_add_binary_data (velk_resources HEADER_NAME BinaryData.h NAMESPACE BinaryData SOURCES ${velkImageFiles})
velk_hide_symbols (velk_resources)

#===================================================================================================
# The core: the processor, the editor, the binding core every host format's binding rests on, and
# the format processor that the VST3 and standalone builds wrap around them. It holds no compiled framework code: each user links the
# framework it is built with (velk_juce, or the format builds' own).
add_library (velk_core STATIC
    source/binding/BindingCore.cpp
    source/processor/MyTestAudioProcessor.cpp
    source/editor/MyTestAudioProcessorEditor.cpp
    source/editor/FilmStripKnob.cpp
    source/editor/EditorFrame.cpp
    source/editor/HostedEditor.cpp
    source/editor/PeakLed.cpp
    source/editor/ScalableImage.cpp
    source/editor/ZoomSetting.cpp
    source/editor/Meter2Custom.cpp
    source/formats/DesktopScale.cpp
    source/formats/FormatParameter.cpp
    source/formats/VelkFormatEditor.cpp
    source/formats/VelkFormatProcessor.cpp)
target_include_directories (velk_core PUBLIC source/binding source/processor source/editor source/formats)
target_link_libraries (velk_core PUBLIC velk_engine velk_resources PRIVATE velk_juce_headers juce::juce_recommended_config_flags)
target_compile_options (velk_core PRIVATE ${VELK_WARNINGS})
velk_hide_symbols (velk_core)

# The core with the framework as the VST 2.4 module, the tools and the tests use it.
add_library (velk_plugin INTERFACE)
target_link_libraries (velk_plugin INTERFACE velk_core velk_juce)
