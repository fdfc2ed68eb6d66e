# Cross build of the Windows component for 32-bit x86 with MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOVRAK_MINGW_TRIPLE i686-w64-mingw32)
set(TOVRAK_WIDL_ARCH -m32)
set(TOVRAK_WINE_DLL_DIRS /usr/lib/i386-linux-gnu/wine/i386-windows
                         /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
