# The plug-ins: VELK.so on the project's own VST 2.4 binding, the LV2 bundle on the project's own
# LV2 binding, and the VST3 and standalone builds on the framework's wrappers. All of them link
# the same core.

# velk_plugin_module (TARGET EXPORTS_MAP): a loadable plug-in, VELK.so, that exports only the
# symbols its map lists and resolves every other one when it is linked.
function (velk_plugin_module target exportsMap)
    target_compile_options (${target} PRIVATE ${VELK_WARNINGS})
    target_link_options (${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/${exportsMap} -Wl,--no-undefined)
    velk_hide_symbols (${target})
    set_target_properties (${target} PROPERTIES
        PREFIX ""
        OUTPUT_NAME VELK
        LINK_DEPENDS ${PROJECT_SOURCE_DIR}/${exportsMap})
endfunction()

#===================================================================================================
# The VST 2.4 binding as a library (the module and the binding's own tests share it) and the
# loadable module, VELK.so, which exports only the entry point. The factory that creates the
# processor is linked into the module alone.
add_library (velk_vst2 STATIC source/vst2/VstPluginBinding.cpp)
target_include_directories (velk_vst2 PUBLIC source/vst2)
target_link_libraries (velk_vst2 PUBLIC velk_plugin)
target_compile_options (velk_vst2 PRIVATE ${VELK_WARNINGS})
velk_hide_symbols (velk_vst2)

# The factory is an object of its own: the binding's tests create the processor through it too.
add_library (velk_vst2_factory OBJECT source/processor/VstPluginFactory.cpp)
target_link_libraries (velk_vst2_factory PRIVATE velk_plugin)
target_compile_options (velk_vst2_factory PRIVATE ${VELK_WARNINGS})
velk_hide_symbols (velk_vst2_factory)

add_library (VELK MODULE source/vst2/VstEntryPoint.cpp)
target_link_libraries (VELK PRIVATE velk_vst2 velk_vst2_factory)
velk_plugin_module (VELK source/vst2/exports.map)

# Linux hosts look for VST 2.4 plug-ins in $VST_PATH, else in ~/.vst.
install (CODE "set (VELK_MODULE_FILE \"$<TARGET_FILE:VELK>\")")
install (CODE [[
    set (velkVstFolder "$ENV{VST_PATH}")
    if (velkVstFolder STREQUAL "")
        set (velkVstFolder "$ENV{HOME}/.vst")
    endif()
    file (INSTALL "${VELK_MODULE_FILE}" DESTINATION "${velkVstFolder}" USE_SOURCE_PERMISSIONS)
]])

#===================================================================================================
# The LV2 bundle on the project's own LV2 binding: the plug-ins (stereo and mono) in one shared
# library, and their descriptions, written at build time from the parameter table.
set (VELK_LV2_BUNDLE ${CMAKE_BINARY_DIR}/lv2/VELK.lv2)
add_library (velk_lv2 MODULE
    source/lv2/Lv2EditorBinding.cpp
    source/lv2/Lv2EntryPoint.cpp
    source/lv2/Lv2PluginBinding.cpp)
target_include_directories (velk_lv2 PRIVATE source/lv2)
target_link_libraries (velk_lv2 PRIVATE velk_plugin)
velk_plugin_module (velk_lv2 source/lv2/exports.map)
set_target_properties (velk_lv2 PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VELK_LV2_BUNDLE})

add_executable (velk-lv2-turtle tools/lv2/Lv2Turtle.cpp)
target_include_directories (velk-lv2-turtle PRIVATE source/lv2)
target_link_libraries (velk-lv2-turtle PRIVATE velk_engine)
target_compile_options (velk-lv2-turtle PRIVATE ${VELK_WARNINGS})
add_custom_command (TARGET velk_lv2 POST_BUILD
    COMMAND velk-lv2-turtle ${VELK_LV2_BUNDLE} $<TARGET_FILE_NAME:velk_lv2>
    COMMENT "Writing the LV2 bundle's descriptions")
add_dependencies (velk_lv2 velk-lv2-turtle)

# Linux hosts look for LV2 bundles in ~/.lv2; a VELK.lv2 already there is replaced whole, so that
# no file of another build stays beside this one's.
install (CODE "set (VELK_LV2_BUNDLE \"${VELK_LV2_BUNDLE}\")")
install (CODE [[
    file (REMOVE_RECURSE "$ENV{HOME}/.lv2/VELK.lv2")
    file (INSTALL "${VELK_LV2_BUNDLE}" DESTINATION "$ENV{HOME}/.lv2" USE_SOURCE_PERMISSIONS)
]])

#===================================================================================================
# VELK.clap on the project's own CLAP binding: the plug-ins (stereo and mono) in one library that
# exports only its entry.
add_library (velk_clap MODULE source/clap/ClapEntryPoint.cpp source/clap/ClapPluginBinding.cpp)
target_include_directories (velk_clap PRIVATE source/clap)
target_link_libraries (velk_clap PRIVATE velk_plugin)
velk_plugin_module (velk_clap source/clap/exports.map)
set_target_properties (velk_clap PROPERTIES SUFFIX ".clap" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/clap)

# Linux hosts look for CLAP plug-ins in ~/.clap.
install (CODE "set (VELK_CLAP_FILE \"$<TARGET_FILE:velk_clap>\")")
install (CODE [[
    file (INSTALL "${VELK_CLAP_FILE}" DESTINATION "$ENV{HOME}/.clap" USE_SOURCE_PERMISSIONS)
]])

#===================================================================================================
# VST3 and the standalone application, built with the framework's own wrappers around the core's
# format processor. The wrappers compile the framework once more, with the shared settings
# and these deliberate differences:
# - no audio file codecs: the plug-ins read and write no files;
# - JACK and ALSA for the standalone application's audio (the plug-ins share its framework
#   compile, but only the application opens an audio device).
if (NOT VELK_BUILD_FORMATS)
    return()
endif()

juce_add_plugin (VELKFormats
    PRODUCT_NAME "${PROJECT_NAME}"
    COMPANY_NAME "${VELK_VENDOR}"
    COMPANY_WEBSITE "${PROJECT_HOMEPAGE_URL}"
    VERSION ${PROJECT_VERSION}
    PLUGIN_MANUFACTURER_CODE Brvt
    PLUGIN_CODE VlkQ
    FORMATS VST3 Standalone
    IS_SYNTH FALSE
    NEEDS_MIDI_INPUT FALSE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS FALSE
    VST3_CATEGORIES Fx Dynamics
    COPY_PLUGIN_AFTER_BUILD FALSE)

target_sources (VELKFormats PRIVATE source/formats/FormatEntry.cpp source/formats/VelkVst3Processor.cpp)
target_sources (VELKFormats_Standalone PRIVATE source/formats/VelkStandaloneApp.cpp source/formats/VelkStandaloneWindow.cpp)
target_compile_definitions (VELKFormats
    PUBLIC
        ${VELK_FRAMEWORK_SETTINGS}
        # Fixed for good: it decides the VST3 class identifiers and how the state is wrapped.
        JUCE_VST3_CAN_REPLACE_VST2=0
        # Parameter identifiers come from the parameters' string IDs, not from their order, as
        # numbers without the top bit (VelkVst3Processor::vst3ParameterId).
        JUCE_FORCE_USE_LEGACY_PARAM_IDS=0
        JUCE_USE_STUDIO_ONE_COMPATIBLE_PARAMETERS=1
        JUCE_USE_CUSTOM_PLUGIN_STANDALONE_APP=1
        JUCE_USE_FLAC=0
        JUCE_USE_OGGVORBIS=0
        JUCE_JACK=1
        JUCE_ALSA=1)
target_link_libraries (VELKFormats
    PRIVATE
        velk_core
        juce::juce_audio_utils
        juce::juce_gui_extra
    PUBLIC
        juce::juce_recommended_config_flags)
target_compile_options (VELKFormats PRIVATE ${VELK_WARNINGS})
velk_no_shift_checks (VELKFormats)
velk_hide_symbols (VELKFormats VELKFormats_VST3 VELKFormats_Standalone)
# A plug-in with an unresolved symbol would fail only when a host loads it.
target_link_options (VELKFormats_VST3 PRIVATE -Wl,--no-undefined)

# Installed where Linux hosts look: ~/.vst3 and ~/.local/bin.
install (CODE "set (VELK_VST3_BUNDLE \"$<TARGET_FILE_DIR:VELKFormats_VST3>/../..\")")
install (CODE "set (VELK_STANDALONE \"$<TARGET_FILE:VELKFormats_Standalone>\")")
install (CODE [[
    get_filename_component (VELK_VST3_BUNDLE "${VELK_VST3_BUNDLE}" ABSOLUTE)
    file (REMOVE_RECURSE "$ENV{HOME}/.vst3/VELK.vst3")
    file (INSTALL "${VELK_VST3_BUNDLE}" DESTINATION "$ENV{HOME}/.vst3" USE_SOURCE_PERMISSIONS)
    file (INSTALL "${VELK_STANDALONE}" DESTINATION "$ENV{HOME}/.local/bin" USE_SOURCE_PERMISSIONS)
]])
