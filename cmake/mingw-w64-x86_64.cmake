# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers. The -posix variants use
# the posix thread model, which std::jthread and std::stop_token need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAVRIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAVRIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVRIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVRIN_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KAVRIN_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KAVRIN_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Target libraries and headers come from the MinGW sysroot (and from any prefix the caller adds,
# such as the static Qt); programs run during the build are the host's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KAVRIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
