# Checks the LV2 bundle with the LV2 tools, as packagers and hosts do:
#   cmake -DBUNDLE=<VELK.lv2> -DHOME_FOLDER=<folder> [-DRUN_BENCH=OFF] -P ValidateLv2.cmake
# lv2_validate reads the bundle's Turtle files against the LV2 specifications and must find
# nothing to complain about; lv2info must list both plug-ins with their ports, editor and factory presets;
# lv2bench must run them.

file (GLOB turtleFiles "${BUNDLE}/*.ttl")
list (LENGTH turtleFiles numTurtleFiles)
if (NOT numTurtleFiles EQUAL 3)
    message (FATAL_ERROR "the bundle holds ${numTurtleFiles} Turtle files; the manifest, the plug-ins' and the presets' are expected")
endif()

execute_process (COMMAND lv2_validate ${turtleFiles}
                 OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
string (APPEND output "${errors}")
if (NOT result EQUAL 0 OR NOT output MATCHES "Found 0 errors" OR output MATCHES "(error|warning):")
    message (FATAL_ERROR "lv2_validate (exit ${result}):\n${output}")
endif()
message (STATUS "lv2_validate: passed")

get_filename_component (folder "${BUNDLE}" DIRECTORY)
set (environment "HOME=${HOME_FOLDER}" "LV2_PATH=${folder}:/usr/lib/lv2")
foreach (uri "https://velk.example/lv2/velk" "https://velk.example/lv2/velk#mono")
    execute_process (COMMAND ${CMAKE_COMMAND} -E env ${environment} lv2info "${uri}"
                     OUTPUT_VARIABLE info ERROR_VARIABLE infoErrors RESULT_VARIABLE infoResult)
    if (NOT infoResult EQUAL 0)
        message (FATAL_ERROR "lv2info does not list ${uri} (exit ${infoResult}):\n${info}\n${infoErrors}")
    endif()
    foreach (expected "Name: *VELK" "Class: *Compressor Plugin" "Bundle:.*VELK.lv2" "velk#ui" "X11UI" "Presets:.*Default Settings" "Presets:.*Ducking by Key"
                      "Symbol: *input" "Symbol: *gc" "Symbol: *enabled" "Symbol: *gain_reduction" "Symbol: *clip" "Scale Points:.*Limit")
        if (NOT info MATCHES "${expected}")
            message (FATAL_ERROR "lv2info's listing of ${uri} lacks '${expected}':\n${info}")
        endif()
    endforeach()

    if (DEFINED RUN_BENCH AND NOT RUN_BENCH)
        continue()
    endif()
    execute_process (COMMAND ${CMAKE_COMMAND} -E env ${environment} lv2bench -n 48000 "${uri}"
                     OUTPUT_VARIABLE bench ERROR_VARIABLE benchErrors RESULT_VARIABLE benchResult)
    if (NOT benchResult EQUAL 0 OR NOT bench MATCHES "${uri}")
        message (FATAL_ERROR "lv2bench did not run ${uri} (exit ${benchResult}):\n${bench}\n${benchErrors}")
    endif()
    message (STATUS "lv2bench:\n${bench}")
endforeach()
