# Draws the editor's images and the application's icon again and requires them to equal the
# committed ones, byte for byte, at both sizes.
# Arguments: GENERATOR (the velk-artwork program), RESOURCES (the committed folder), OUTPUT,
# IMAGES (the images' names, separated by commas).
file (REMOVE_RECURSE "${OUTPUT}")
execute_process (COMMAND "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE result)
if (NOT result EQUAL 0)
    message (FATAL_ERROR "velk-artwork failed: ${result}")
endif()
string (REPLACE "," ";" IMAGES "${IMAGES}")
foreach (base ${IMAGES})
    foreach (name ${base} ${base}_2x)
        execute_process (COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}/${name}.png" "${RESOURCES}/${name}.png"
                         RESULT_VARIABLE differs)
        if (NOT differs EQUAL 0)
            message (FATAL_ERROR "${name}.png differs from the committed image: run the 'artwork' target and commit the result")
        endif()
    endforeach()
endforeach()
