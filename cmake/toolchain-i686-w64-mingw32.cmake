# 32-bit Windows, the shipped build.
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(WINE_LOADER /usr/lib/wine/wine)
set(WINE_ARCH win32)
# The toolchain the shipped program itself is built with.
set(ORVALIS_PRODUCT_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32-win32.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
