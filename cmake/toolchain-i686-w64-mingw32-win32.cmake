# The shipped 32-bit program alone, with the win32 thread model (the top CMakeLists.txt runs it).
set(THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
# Windows 95 and NT 4 run on processors before the Pentium Pro, which lack its conditional
# moves: the program's own code is compiled for the Pentium. The toolchain's prebuilt C and
# C++ runtime that is linked in statically still uses them (its start-up code among them).
set(CMAKE_C_FLAGS_INIT "-march=i586")
set(CMAKE_CXX_FLAGS_INIT "-march=i586")
