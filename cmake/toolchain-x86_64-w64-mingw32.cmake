# 64-bit twin of the shipped build, for hosts that cannot execute 32-bit x86 code (Wine's
# 32-bit loader then fails with "Exec format error"). Same sources, same tests.
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(WINE_LOADER /usr/lib/wine/wine64)
set(WINE_ARCH win64)
set(ORVALIS_PRODUCT_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/toolchain-x86_64-w64-mingw32-win32.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
