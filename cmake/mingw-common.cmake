# Shared by the MinGW toolchain files, which set TOOLCHAIN_PREFIX and WINE_LOADER first, and
# THREAD_MODEL where they want the win32 one. The -posix thread model is needed by GoogleTest
# (std::mutex); the shipped program is built with the -win32 model, which links no threading
# library (see the top CMakeLists.txt).
if(NOT DEFINED THREAD_MODEL)
    set(THREAD_MODEL posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_LOADER})
