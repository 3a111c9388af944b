# Builds velk_<version>_amd64.deb from the files of this build: run through the 'deb' target.
#   cmake -DVERSION= -DVENDOR= -DHOMEPAGE= -DSOURCE_DIR= -DOUTPUT_DIR= -DVST2= -DVST3= -DLV2= -DCLAP= \
#         -DSTANDALONE= -DRENDER= -P BuildDeb.cmake
# The package holds the plug-ins where hosts look (/usr/lib/vst, /usr/lib/vst3, /usr/lib/lv2,
# /usr/lib/clap),
# the application and velk-render in /usr/bin, their manual pages, a desktop entry and icons,
# and the copyright and changelog; binaries are stripped of everything but their dynamic
# symbols. Depends come from dpkg-shlibdeps, plus the X11 libraries the framework opens at run
# time, where no tool can see them.

cmake_minimum_required (VERSION 3.22)

set (package velk_${VERSION}_amd64)
set (stage "${OUTPUT_DIR}/deb/${package}")
set (deb "${OUTPUT_DIR}/${package}.deb")
set (here "${CMAKE_CURRENT_LIST_DIR}")
get_filename_component (VST3 "${VST3}" ABSOLUTE)

function (run)
    execute_process (COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if (NOT result EQUAL 0)
        string (REPLACE ";" " " command "${ARGN}")
        message (FATAL_ERROR "${command} failed (${result}):\n${output}${errors}")
    endif()
    set (runOutput "${output}" PARENT_SCOPE)
endfunction()

# The changelog's latest entry must be this version.
file (STRINGS "${here}/changelog" firstLine LIMIT_COUNT 1)
if (NOT firstLine MATCHES "^velk \\(${VERSION}\\) ")
    message (FATAL_ERROR "tools/package/changelog starts with '${firstLine}': add an entry for ${VERSION}")
endif()

file (REMOVE_RECURSE "${OUTPUT_DIR}/deb")
file (MAKE_DIRECTORY "${stage}/DEBIAN" "${stage}/usr/bin" "${stage}/usr/lib/vst" "${stage}/usr/lib/vst3" "${stage}/usr/lib/lv2"
      "${stage}/usr/lib/clap" "${stage}/usr/share/man/man1" "${stage}/usr/share/applications" "${stage}/usr/share/doc/velk"
      "${stage}/usr/share/icons/hicolor/256x256/apps" "${stage}/usr/share/icons/hicolor/512x512/apps")

# The binaries, under the names users type and hosts look for.
file (COPY "${VST2}" DESTINATION "${stage}/usr/lib/vst")
file (COPY "${VST3}" DESTINATION "${stage}/usr/lib/vst3")
file (COPY "${LV2}" DESTINATION "${stage}/usr/lib/lv2")
file (COPY "${CLAP}" DESTINATION "${stage}/usr/lib/clap")
file (COPY_FILE "${STANDALONE}" "${stage}/usr/bin/velk")
file (COPY_FILE "${RENDER}" "${stage}/usr/bin/velk-render")
file (GLOB_RECURSE sharedObjects "${stage}/usr/lib/*.so" "${stage}/usr/lib/*.clap")
set (programs "${stage}/usr/bin/velk" "${stage}/usr/bin/velk-render")
run (strip --strip-unneeded --remove-section=.comment --remove-section=.note ${sharedObjects} ${programs})

# Manual pages (velk-render's from its own option table), the desktop entry, the icons, the
# copyright and the changelog.
run ("${RENDER}" --manual)
file (WRITE "${stage}/usr/share/man/man1/velk-render.1" "${runOutput}")
file (READ "${here}/velk.1" appPage)
string (REPLACE "@VERSION@" "${VERSION}" appPage "${appPage}")
file (WRITE "${stage}/usr/share/man/man1/velk.1" "${appPage}")
file (COPY_FILE "${here}/changelog" "${stage}/usr/share/doc/velk/changelog")
run (gzip -9n "${stage}/usr/share/man/man1/velk-render.1" "${stage}/usr/share/man/man1/velk.1" "${stage}/usr/share/doc/velk/changelog")
file (COPY_FILE "${here}/copyright" "${stage}/usr/share/doc/velk/copyright")
file (COPY_FILE "${here}/velk.desktop" "${stage}/usr/share/applications/velk.desktop")
file (COPY_FILE "${SOURCE_DIR}/resources/velk-icon.png" "${stage}/usr/share/icons/hicolor/256x256/apps/velk.png")
file (COPY_FILE "${SOURCE_DIR}/resources/velk-icon_2x.png" "${stage}/usr/share/icons/hicolor/512x512/apps/velk.png")

# Modes as Debian wants them: folders and programs 755, everything else 644 (plug-ins too).
file (GLOB_RECURSE everything LIST_DIRECTORIES true "${stage}/usr/*")
foreach (path ${everything})
    if (IS_DIRECTORY "${path}")
        file (CHMOD "${path}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    elseif (path IN_LIST programs)
        file (CHMOD "${path}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    else()
        file (CHMOD "${path}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
endforeach()
file (CHMOD "${stage}" "${stage}/usr" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The libraries the binaries link, as dpkg-shlibdeps finds them (it reads debian/control).
set (shlibsFolder "${OUTPUT_DIR}/deb/shlibs")
file (MAKE_DIRECTORY "${shlibsFolder}/debian")
file (WRITE "${shlibsFolder}/debian/control" "Source: velk\n\nPackage: velk\nArchitecture: amd64\n")
execute_process (COMMAND dpkg-shlibdeps -O ${sharedObjects} ${programs} WORKING_DIRECTORY "${shlibsFolder}"
                 RESULT_VARIABLE result OUTPUT_VARIABLE shlibs ERROR_VARIABLE errors)
if (NOT result EQUAL 0 OR NOT shlibs MATCHES "shlibs:Depends=([^\n]*)")
    message (FATAL_ERROR "dpkg-shlibdeps failed (${result}):\n${shlibs}${errors}")
endif()
set (linked "${CMAKE_MATCH_1}")

# What the framework opens with dlopen: the X11 libraries for the editor's window (required),
# and JACK for the application's audio (ALSA is linked).
set (depends "${linked}, libx11-6, libxext6, libxcursor1, libxinerama1, libxrender1, libxrandr2")

# The framework's GPL code is compiled in: Built-Using names the source package it came from.
run (dpkg-query -W "-f=\${source:Package} (= \${Version})" juce-modules-source)
set (builtUsing "${runOutput}")

# Installed-Size as dpkg counts it: each file in whole KiB, rounded up, and 1 for each folder.
file (GLOB_RECURSE stagedFiles "${stage}/usr/*")
file (GLOB_RECURSE stagedEntries LIST_DIRECTORIES true "${stage}/usr/*")
set (installedSize 1)
foreach (path ${stagedEntries})
    if (IS_DIRECTORY "${path}")
        math (EXPR installedSize "${installedSize} + 1")
    else()
        file (SIZE "${path}" bytes)
        math (EXPR installedSize "${installedSize} + (${bytes} + 1023) / 1024")
    endif()
endforeach()

file (WRITE "${stage}/DEBIAN/control" "Package: velk
Version: ${VERSION}
Architecture: amd64
Maintainer: ${VENDOR} <packages@velk.example>
Installed-Size: ${installedSize}
Depends: ${depends}
Recommends: libjack-jackd2-0 | libjack0, fonts-dejavu-core
Built-Using: ${builtUsing}
Section: sound
Priority: optional
Homepage: ${HOMEPAGE}
Description: stereo compressor with colouring stages (VST3, LV2, CLAP, VST 2.4)
 VELK is a stereo compressor: two linked envelope followers, ratios from 1:1
 to a limiter with thresholds and make-up calibrated per ratio, five
 colouring curves, sidechain and audio filters, and an external sidechain
 input. It comes with twelve factory presets.
 .
 This package holds the plug-ins for audio workstations (VST3 in
 /usr/lib/vst3, LV2 in /usr/lib/lv2, CLAP in /usr/lib/clap, VST 2.4 in
 /usr/lib/vst), the
 standalone application velk, with its audio through JACK or ALSA, and
 velk-render, which renders audio files through the plug-in.
")

# The files' checksums, then the package.
set (sums "")
foreach (path ${stagedFiles})
    file (MD5 "${path}" md5)
    file (RELATIVE_PATH relative "${stage}" "${path}")
    string (APPEND sums "${md5}  ${relative}\n")
endforeach()
file (WRITE "${stage}/DEBIAN/md5sums" "${sums}")
file (CHMOD "${stage}/DEBIAN/control" "${stage}/DEBIAN/md5sums" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file (CHMOD "${stage}/DEBIAN" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Reproducible: every date in the package is the changelog's latest entry's.
run (dpkg-parsechangelog -l "${here}/changelog" -STimestamp)
string (STRIP "${runOutput}" timestamp)
run (${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${timestamp} dpkg-deb --root-owner-group -Zxz --build "${stage}" "${deb}")
message (STATUS "Built ${deb}")
