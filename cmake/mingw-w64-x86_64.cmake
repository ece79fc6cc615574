# Cross build for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64-posix:
# the posix thread model, which std::thread needs). Pass the Qt kit with -DCMAKE_PREFIX_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMORA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LUMORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMORA_MINGW_PREFIX}-windres)

# Libraries and CMake packages from the kit and the compiler's own sysroot only; programs
# (moc, rcc, uic run on the build machine) from anywhere.
set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

