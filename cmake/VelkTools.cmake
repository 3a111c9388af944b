# The tools: the artwork generator, the VST 2.4 host library and velk-render.

#===================================================================================================
# The editor's artwork: drawn by a generator from source; the PNGs in resources/ are its output
# (regenerate with the 'artwork' target) and are compiled into the module as byte arrays.
pkg_check_modules (VELK_PNG REQUIRED IMPORTED_TARGET libpng)
add_executable (velk-artwork tools/ArtworkGenerator.cpp)
target_include_directories (velk-artwork PRIVATE source/editor)
target_link_libraries (velk-artwork PRIVATE velk_juce PkgConfig::VELK_PNG)
target_compile_options (velk-artwork PRIVATE ${VELK_WARNINGS})
add_custom_target (artwork
    COMMAND velk-artwork ${CMAKE_CURRENT_SOURCE_DIR}/resources
    COMMENT "Drawing the editor's images into resources/")

#===================================================================================================
# The VST 2.4 host that velk-render and the tests share: dlopen, entry point, dispatcher, process.
add_library (velk_vst_host STATIC tools/vsthost/VstHost.cpp)
target_include_directories (velk_vst_host PUBLIC tools/vsthost source/vst2)
target_link_libraries (velk_vst_host PUBLIC ${CMAKE_DL_LIBS})
target_compile_options (velk_vst_host PRIVATE ${VELK_WARNINGS})

#===================================================================================================
# The LV2 host that velk-render and the tests share: VELK's bundle through lilv.
pkg_check_modules (VELK_LILV REQUIRED IMPORTED_TARGET lilv-0)
add_library (velk_lv2_host STATIC tools/lv2host/Lv2Host.cpp)
target_include_directories (velk_lv2_host PUBLIC tools/lv2host source/lv2)
target_link_libraries (velk_lv2_host PUBLIC velk_engine PkgConfig::VELK_LILV)
target_compile_options (velk_lv2_host PRIVATE ${VELK_WARNINGS})

#===================================================================================================
# The CLAP host the tests share: dlopen, entry, factory, process with events, streams, timers.
add_library (velk_clap_host STATIC tools/claphost/ClapHost.cpp)
target_include_directories (velk_clap_host PUBLIC tools/claphost source/clap)
target_link_libraries (velk_clap_host PUBLIC ${CMAKE_DL_LIBS})
target_compile_options (velk_clap_host PRIVATE ${VELK_WARNINGS})

#===================================================================================================
# velk-render: a command-line host that renders audio files through VELK.so.
pkg_check_modules (VELK_CODECS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg)
add_executable (velk-render
    tools/render/VelkRender.cpp
    tools/render/DemoSignal.cpp
    tools/render/FlacCheck.cpp
    tools/render/RenderArguments.cpp
    tools/render/RenderFiles.cpp
    tools/render/RenderPlot.cpp
    tools/render/RenderSource.cpp
    tools/render/RenderWatcher.cpp)
target_include_directories (velk-render PRIVATE tools/render)
target_link_libraries (velk-render PRIVATE velk_engine velk_juce velk_vst_host velk_lv2_host PkgConfig::VELK_CODECS)
target_compile_options (velk-render PRIVATE ${VELK_WARNINGS})
add_dependencies (velk-render VELK velk_lv2)

#===================================================================================================
# velk-gate-cases: finds the float inputs with which the tests show the exactness gates need their
# whole bounds (run by hand; its output is in tests/engine/VectorExactMathTest.cpp).
add_executable (velk-gate-cases EXCLUDE_FROM_ALL tools/gatecases/GateCases.cpp)
target_link_libraries (velk-gate-cases PRIVATE velk_engine)
target_compile_options (velk-gate-cases PRIVATE ${VELK_WARNINGS})
