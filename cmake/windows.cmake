# What the Windows build (cross-built with MinGW-w64 against the static Qt that
# scripts/build-qt-windows.sh makes) needs beyond the Linux one. Included by the top level.

# Everything links statically, the C++ runtime and winpthread too: the programs need no DLL
# beyond Windows' own.
add_link_options(-static -static-libgcc -static-libstdc++)
# Release programs carry no symbols: half the size of the desktop program.
add_link_options($<$<CONFIG:Release>:-s>)

# -O2 as the native build: GCC 12's -O3 reports false -Wrestrict overlaps inside std::string.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")

# Test programs run under Wine (ctest starts them through the emulator).
find_program(KAVRIN_WINE wine)
if(KAVRIN_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KAVRIN_WINE})
endif()

# GoogleTest is built for the target from Debian's source.
set(KAVRIN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree to build for Windows")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${KAVRIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The generators of the embedded resources run on the build machine, so they come from a native
# build of the same tree (`make windows` makes it): kavrin-resgen, and the pictures and icons
# that kavrin-artgen drew there.
set(KAVRIN_HOST_BUILD_DIR "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "Native build of this tree that provides kavrin-resgen and the drawn pictures")
if(NOT EXISTS ${KAVRIN_HOST_BUILD_DIR}/src/resources/kavrin-resgen)
    message(FATAL_ERROR "No native kavrin-resgen in ${KAVRIN_HOST_BUILD_DIR}: build the native "
                        "tree first (make windows does) or set KAVRIN_HOST_BUILD_DIR")
endif()

# The desktop program: GUI subsystem, icon and version resource, the Windows platform plugin and
# the offscreen one (--screenshots draws without a display).
function(kavrin_windows_app target)
    set(icon ${PROJECT_BINARY_DIR}/kavrin.ico)
    set(sizes 16 32 48 256)
    set(pngs "")
    foreach(size ${sizes})
        list(APPEND pngs ${KAVRIN_HOST_BUILD_DIR}/packaging/hicolor/${size}x${size}/apps/kavrin.png)
    endforeach()
    find_program(KAVRIN_ICOTOOL icotool REQUIRED)
    add_custom_command(OUTPUT ${icon}
        COMMAND ${KAVRIN_ICOTOOL} -c -o ${icon} ${pngs}
        DEPENDS ${pngs}
        COMMENT "Making the application icon"
        VERBATIM)
    set(KAVRIN_ICON_FILE ${icon})
    string(REPLACE "." "," KAVRIN_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/kavrin.rc.in
                   ${PROJECT_BINARY_DIR}/kavrin.rc @ONLY)
    set_source_files_properties(${PROJECT_BINARY_DIR}/kavrin.rc PROPERTIES OBJECT_DEPENDS ${icon})
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/kavrin.rc)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    qt_import_plugins(${target} INCLUDE Qt6::QWindowsIntegrationPlugin
                      Qt6::QOffscreenIntegrationPlugin)
endfunction()
