# The Debian package, built from this build's files by one command:
#     cmake --build build --target deb      ->  build/velk_<version>_amd64.deb
# (tools/package/BuildDeb.cmake says what goes where.)
if (NOT VELK_BUILD_FORMATS)
    return()
endif()

add_custom_target (deb
    COMMAND ${CMAKE_COMMAND}
        -DVERSION=${PROJECT_VERSION} -DVENDOR=${VELK_VENDOR} -DHOMEPAGE=${PROJECT_HOMEPAGE_URL}
        -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT_DIR=${CMAKE_BINARY_DIR}
        -DVST2=$<TARGET_FILE:VELK> -DVST3=$<TARGET_FILE_DIR:VELKFormats_VST3>/../.. -DLV2=${VELK_LV2_BUNDLE} -DCLAP=$<TARGET_FILE:velk_clap>
        -DSTANDALONE=$<TARGET_FILE:VELKFormats_Standalone> -DRENDER=$<TARGET_FILE:velk-render>
        -P ${PROJECT_SOURCE_DIR}/tools/package/BuildDeb.cmake
    DEPENDS VELK velk_lv2 velk_clap VELKFormats_VST3 VELKFormats_Standalone velk-render
    COMMENT "Building the Debian package"
    VERBATIM)
