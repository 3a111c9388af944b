# Builds the Debian package and checks it as a distribution and a user would:
#   cmake -DBUILD_DIR= -DVERSION= -DFORMAT_TESTS= -DSCRATCH= -P CheckPackage.cmake
# lintian must report no error and no warning beyond those listed here with their reasons;
# the package, unpacked into a throwaway root (the machine's own system is not touched), must
# give LV2 hosts VELK's URIs, run velk-render on its packaged VST 2.4 module, and load in the
# framework's VST3 host from its packaged bundle.

# Warnings lintian may give, each with its reason (none today).
set (expectedWarnings)

function (run)
    cmake_parse_arguments (PARSE_ARGV 0 arg "" "" "COMMAND;ENVIRONMENT")
    execute_process (COMMAND ${CMAKE_COMMAND} -E env ${arg_ENVIRONMENT} ${arg_COMMAND}
                     RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    string (REPLACE ";" " " command "${arg_COMMAND}")
    if (NOT result EQUAL 0)
        message (FATAL_ERROR "${command} failed (${result}):\n${output}${errors}")
    endif()
    set (runOutput "${output}${errors}" PARENT_SCOPE)
endfunction()

function (expect text pattern what)
    if (NOT text MATCHES "${pattern}")
        message (FATAL_ERROR "${what} lacks '${pattern}':\n${text}")
    endif()
endfunction()

run (COMMAND ${CMAKE_COMMAND} --build "${BUILD_DIR}" --target deb)
set (deb "${BUILD_DIR}/velk_${VERSION}_amd64.deb")

# lintian, as a distribution checks a package.
execute_process (COMMAND lintian --tag-display-limit 0 --fail-on error "${deb}" RESULT_VARIABLE lintResult OUTPUT_VARIABLE lint
                 ERROR_VARIABLE lintErrors)
if (NOT lintResult EQUAL 0)
    message (FATAL_ERROR "lintian (exit ${lintResult}):\n${lint}${lintErrors}")
endif()
string (REGEX MATCHALL "(^|\n)[EW]: velk[^:]*: [a-z0-9-]+" findings "${lint}")
foreach (finding ${findings})
    string (REGEX MATCH "([EW]): velk[^:]*: ([a-z0-9-]+)" ignored "${finding}")
    if (CMAKE_MATCH_1 STREQUAL "E" OR NOT CMAKE_MATCH_2 IN_LIST expectedWarnings)
        message (FATAL_ERROR "lintian:\n${lint}${lintErrors}")
    endif()
endforeach()
message (STATUS "lintian: no error, no unexpected warning")

# Nothing outside the plug-in folders, /usr/bin and /usr/share, and the declared dependencies.
run (COMMAND dpkg-deb -c "${deb}")
string (REGEX MATCHALL "\\./[^\n]*" paths "${runOutput}")
set (allowed "^\\./$|^\\./usr/$|^\\./usr/(bin|lib|share|share/doc|share/icons|share/man)/$|^\\./usr/bin/velk(-render)?$"
             "^\\./usr/lib/(vst|vst3|lv2|clap)/|^\\./usr/share/(applications|doc/velk|icons/hicolor|man/man1)/")
string (JOIN "|" allowed ${allowed})
foreach (path ${paths})
    if (NOT path MATCHES "${allowed}")
        message (FATAL_ERROR "the package holds ${path}")
    endif()
endforeach()
run (COMMAND dpkg-deb -f "${deb}" Depends Recommends)
foreach (library libsleef3 libfreetype6 libx11-6 libxext6 libxcursor1 libxinerama1 libxrender1 libxrandr2 "Recommends: libjack")
    expect ("${runOutput}" "${library}" "the package's dependencies")
endforeach()
if (runOutput MATCHES "(: |, |\n )(cmake|g\\+\\+|gcc|build-essential|[a-z0-9.+-]+-dev)( |,|\n|$)")
    message (FATAL_ERROR "the package depends on build tools:\n${runOutput}")
endif()

# The package unpacked into a throwaway root, with no plug-ins of the user's in the way.
file (REMOVE_RECURSE "${SCRATCH}")
file (MAKE_DIRECTORY "${SCRATCH}/home")
run (COMMAND dpkg-deb -x "${deb}" "${SCRATCH}/root")
set (root "${SCRATCH}/root")
set (user HOME=${SCRATCH}/home --unset=VST_PATH --unset=LV2_PATH)

# Stripped (no symbol table left), the plug-ins keep the entry points hosts call, and the
# programs are stripped too.
foreach (check "usr/lib/vst/VELK.so|VSTPluginMain main" "usr/lib/vst3/VELK.vst3/Contents/x86_64-linux/VELK.so|GetPluginFactory ModuleEntry ModuleExit"
               "usr/lib/lv2/VELK.lv2/VELK.so|lv2_descriptor lv2ui_descriptor" "usr/lib/clap/VELK.clap|clap_entry")
    string (REPLACE "|" ";" check "${check}")
    list (GET check 0 binary)
    list (GET check 1 entries)
    run (COMMAND nm --dynamic --defined-only "${root}/${binary}")
    set (symbols "${runOutput}")
    run (COMMAND nm --debug-syms "${root}/${binary}")
    expect ("${runOutput}" "no symbols" "nm on ${binary} (stripped)")
    string (REPLACE " " ";" entries "${entries}")
    foreach (entry ${entries})
        expect ("${symbols}" " [TD] ${entry}\n" "the exports of ${binary}")
    endforeach()
endforeach()

# LV2 hosts find both plug-ins, with their editor and presets, in the packaged bundle.
foreach (uri "https://velk.example/lv2/velk" "https://velk.example/lv2/velk#mono")
    run (COMMAND lv2info "${uri}" ENVIRONMENT ${user} LV2_PATH=${root}/usr/lib/lv2)
    expect ("${runOutput}" "Bundle: *file://${root}/usr/lib/lv2/VELK.lv2/" "lv2info ${uri}")
    expect ("${runOutput}" "Presets:.*Limiter" "lv2info ${uri}")
endforeach()

# velk-render from /usr/bin finds the module in /usr/lib/vst, and the bundle in /usr/lib/lv2.
run (COMMAND "${root}/usr/bin/velk-render" --help ENVIRONMENT ${user})
expect ("${runOutput}" "--preset NAME" "velk-render --help")
run (COMMAND velk-render "${SCRATCH}/demo.wav" ENVIRONMENT ${user} PATH=${root}/usr/bin:/usr/bin:/bin)
expect ("${runOutput}" "plug-in ${root}/usr/lib/vst/VELK.so" "velk-render's demo")
expect ("${runOutput}" "largest gain reduction" "velk-render's demo")
run (COMMAND "${root}/usr/bin/velk-render" "${SCRATCH}/limited.wav" --preset limiter ENVIRONMENT ${user})
expect ("${runOutput}" "plug-in ${root}/usr/lib/lv2/VELK.lv2" "velk-render --preset")

# The packaged VST3 bundle in the framework's VST3 host.
run (COMMAND "${FORMAT_TESTS}" "--gtest_filter=Vst3Bundle.*"
     ENVIRONMENT ${user} VELK_VST3_BUNDLE=${root}/usr/lib/vst3/VELK.vst3)
expect ("${runOutput}" "PASSED  \\] [1-9][0-9]* test" "the VST3 tests on the packaged bundle")

# The packaged CLAP library in the project's CLAP host, and in qtractor's scanner where it is.
run (COMMAND "${CLAP_TESTS}" "--gtest_filter=Clap.*:-Clap.Editor*" ENVIRONMENT ${user} VELK_CLAP_LIBRARY=${root}/usr/lib/clap/VELK.clap)
expect ("${runOutput}" "PASSED  \\] [1-9][0-9]* test" "the CLAP tests on the packaged library")
message (STATUS "the unpacked package works: LV2 URIs, velk-render, the VST3 bundle, the CLAP library")
