# The framework's settings, written once, and the framework compiled into static libraries.

find_package (JUCE 7.0.5 CONFIG REQUIRED)

# The settings every compile of the framework shares: the module's, the tools', the tests', and
# the VST3, LV2 and standalone builds' own.
set (VELK_FRAMEWORK_SETTINGS
    JUCE_USE_CURL=0
    JUCE_WEB_BROWSER=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_USE_XRANDR=1)

# velk_add_juce_library (NAME MODULES ... DEFINITIONS ...): the framework's MODULES compiled into
# a static library with the shared settings plus DEFINITIONS, which every user of the library
# receives too.
function (velk_add_juce_library name)
    cmake_parse_arguments (PARSE_ARGV 1 arg "" "" "MODULES;DEFINITIONS")
    add_library (${name} STATIC)
    target_link_libraries (${name}
        PRIVATE
            ${arg_MODULES}
        PUBLIC
            juce::juce_recommended_config_flags
            juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    target_compile_definitions (${name} PUBLIC ${VELK_FRAMEWORK_SETTINGS} ${arg_DEFINITIONS})
    target_compile_definitions (${name} INTERFACE $<TARGET_PROPERTY:${name},COMPILE_DEFINITIONS>)
    target_include_directories (${name} INTERFACE $<TARGET_PROPERTY:${name},INCLUDE_DIRECTORIES>)
    velk_no_shift_checks (${name})
    velk_hide_symbols (${name})
endfunction()

# The framework's FLAC reader shifts negative samples left, which C++17 leaves undefined and GCC
# defines as the two's-complement shift; the undefined-behaviour checker is told so for the
# framework's own code only.
function (velk_no_shift_checks target)
    if (VELK_SANITIZE MATCHES "undefined")
        target_compile_options (${target} PRIVATE -fno-sanitize=shift-base)
    endif()
endfunction()

# The framework for VELK.so, velk-render and the tests. It is not a standalone application (the
# host owns the process); velk-render reads and writes audio files, so the codecs are in.
velk_add_juce_library (velk_juce
    MODULES juce::juce_audio_processors juce::juce_audio_formats juce::juce_gui_extra
    DEFINITIONS JUCE_STANDALONE_APPLICATION=0)

# The framework's headers and settings without its compiled code, for the core library: VELK.so
# and the tests link it with velk_juce, the VST3, LV2 and standalone builds with their own compile
# of the framework (whose settings add only what stays inside the framework's own code).
add_library (velk_juce_headers INTERFACE)
target_include_directories (velk_juce_headers INTERFACE $<TARGET_PROPERTY:velk_juce,INCLUDE_DIRECTORIES>)
target_compile_definitions (velk_juce_headers INTERFACE ${VELK_FRAMEWORK_SETTINGS} JUCE_STANDALONE_APPLICATION=0
    $<FILTER:$<TARGET_PROPERTY:velk_juce,COMPILE_DEFINITIONS>,INCLUDE,^JUCE_MODULE_AVAILABLE_|^JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED>)
