# Checks the LV2 bundle with the LV2 tools, as packagers and hosts do:
#   cmake -DBUNDLE=<VELK.lv2> -DHOME_FOLDER=<folder> -P ValidateLv2.cmake
# lv2_validate reads the bundle's Turtle files against the LV2 specifications; lv2info must find
# the plug-in by its URI in the bundle's folder and list it with its ports.

set (uri "https://velk.example/lv2/velk")
file (GLOB turtleFiles "${BUNDLE}/*.ttl")
list (LENGTH turtleFiles numTurtleFiles)
if (numTurtleFiles LESS 2)
    message (FATAL_ERROR "the bundle holds ${numTurtleFiles} Turtle files; the manifest and the plug-in's are expected")
endif()

execute_process (COMMAND lv2_validate ${turtleFiles}
                 OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
string (APPEND output "${errors}")
# The validator ran and checked the files (it exits with 1 while any complaint is left, the
# framework's included).
if (NOT result MATCHES "^[0-9]+$" OR NOT output MATCHES "checked [0-9]+ restrictions")
    message (FATAL_ERROR "lv2_validate did not run (${result}):\n${output}")
endif()

# The complaints that the framework's Turtle generator draws and that are not ours to mend. Each
# pattern is matched against one complaint: its message and the subject, predicate and object
# lines after it.
set (allowedComplaints
    # The maintainer and release are written on the plug-in, which the validator does not take
    # for a doap:Project.
    "Subject not in domain <http://usefulinc.com/ns/doap#Project>.*doap#(maintainer|release)"
    # The UI declares noUserResize as extension data and the options interface as a feature.
    "Object not in range <http://lv2plug.in/ns/lv2core#ExtensionData>.*ui#noUserResize"
    "Object not in range <http://lv2plug.in/ns/lv2core#Feature>.*options#interface"
    # Choices are written as lv2:Parameter with the port property lv2:enumeration.
    "Subject not in domain <http://lv2plug.in/ns/lv2core#Port>.*lv2core#enumeration"
    # The preset keeps the program number under a property the generator does not describe.
    "Use of undefined property.*velk:Program"
    "Property <https://velk.example/lv2/velk:Program> has no label"
)

# One complaint per block: the line with "error:" or "warning:" and the lines up to the next.
string (REPLACE ";" "," marked "${output}")
string (REGEX REPLACE "(error|warning):" ";\\1:" marked "${marked}")
set (unexpected "")
foreach (block IN LISTS marked)
    if (NOT block MATCHES "^(error|warning):")
        continue()
    endif()
    string (REPLACE "\n" " " flat "${block}")
    set (allowed FALSE)
    foreach (pattern IN LISTS allowedComplaints)
        if (flat MATCHES "${pattern}")
            set (allowed TRUE)
        endif()
    endforeach()
    if (NOT allowed)
        string (APPEND unexpected "${flat}\n")
    endif()
endforeach()

if (unexpected)
    message (FATAL_ERROR "lv2_validate:\n${unexpected}\n(full output:)\n${output}")
endif()
message (STATUS "lv2_validate (exit ${result}):\n${output}")

get_filename_component (folder "${BUNDLE}" DIRECTORY)
execute_process (COMMAND ${CMAKE_COMMAND} -E env "HOME=${HOME_FOLDER}" "LV2_PATH=${folder}" lv2info "${uri}"
                 OUTPUT_VARIABLE info ERROR_VARIABLE infoErrors RESULT_VARIABLE infoResult)
if (NOT infoResult EQUAL 0 OR NOT info MATCHES "Name: *VELK")
    message (FATAL_ERROR "lv2info does not list ${uri} (exit ${infoResult}):\n${info}\n${infoErrors}")
endif()
foreach (expected "Bundle:.*VELK.lv2" "audio_in_1" "audio_in_2" "audio_out_1" "audio_out_2" "velk:UI")
    if (NOT info MATCHES "${expected}")
        message (FATAL_ERROR "lv2info's listing lacks '${expected}':\n${info}")
    endif()
endforeach()
message (STATUS "lv2info:\n${info}")
