# The shipped 32-bit program alone, with the win32 thread model (the top CMakeLists.txt runs it).
set(THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
