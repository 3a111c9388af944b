# Compiler settings every VELK target shares.

set (CMAKE_CXX_STANDARD 17)
set (CMAKE_CXX_STANDARD_REQUIRED ON)
set (CMAKE_CXX_EXTENSIONS OFF)
set (CMAKE_EXPORT_COMPILE_COMMANDS ON)

if (NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set (CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

# Where ccache is installed, every compile goes through it, so a second build (another build
# folder, a sanitizer build of unchanged framework code, a fresh clone) rebuilds only what changed.
find_program (VELK_CCACHE ccache)
if (VELK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set (CMAKE_C_COMPILER_LAUNCHER ${VELK_CCACHE})
    set (CMAKE_CXX_COMPILER_LAUNCHER ${VELK_CCACHE})
endif()

# The audio output is compared bit for bit with its formulas: no contraction of a * b + c into
# fused multiply-adds, no fast-math, no machine-specific code. Every target uses these flags.
set (CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set (CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
add_compile_options (-ffp-contract=off -fno-fast-math)

if (VELK_SANITIZE)
    add_compile_options (-fsanitize=${VELK_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options (-fsanitize=${VELK_SANITIZE})
endif()

set (VELK_WARNINGS -Wall -Wextra)

# velk_hide_symbols (TARGET ...): position-independent code with hidden symbols, for everything
# that ends up inside a plug-in.
function (velk_hide_symbols)
    set_target_properties (${ARGN} PROPERTIES
        POSITION_INDEPENDENT_CODE ON
        VISIBILITY_INLINES_HIDDEN ON
        C_VISIBILITY_PRESET hidden
        CXX_VISIBILITY_PRESET hidden)
endfunction()
